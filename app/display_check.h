#pragma once

// Whether the window system Qt will use for this command line can be
// reached: Qt ends the program with an abort where it cannot, so the
// program asks first. -platform on the command line wins over
// QT_QPA_PLATFORM, which wins over the session's own displays.
bool CanOpenDisplay(int argc, const char* const* argv);
