#include "display_check.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool ConnectsTo(const std::string& path, bool abstract) {
    const int socket = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socket < 0) return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::size_t offset = abstract ? 1 : 0;
    if (path.size() + offset >= sizeof address.sun_path) {
        ::close(socket);
        return false;
    }
    std::memcpy(address.sun_path + offset, path.data(), path.size());
    const auto length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size());
    const bool connected = ::connect(socket, reinterpret_cast<const sockaddr*>(&address), length) == 0;
    ::close(socket);
    return connected;
}

// An X display: a local one (":0", "unix:0.0") answers on its socket; one
// on another host is taken on trust, as only connecting would tell.
bool ReachesX() {
    const std::string display = Environment("DISPLAY");
    if (display.empty()) return false;
    const std::size_t colon = display.rfind(':');
    if (colon == std::string::npos) return false;
    const std::string host = display.substr(0, colon);
    if (!host.empty() && host != "unix" && host.front() != '/') return true;
    if (!host.empty() && host.front() == '/') return ConnectsTo(host, false);  // a socket by its path
    const std::string number = display.substr(colon + 1, display.find('.', colon) - colon - 1);
    const std::string socket = "/tmp/.X11-unix/X" + number;
    return ConnectsTo(socket, true) || ConnectsTo(socket, false);
}

bool ReachesWayland() {
    std::string name = Environment("WAYLAND_DISPLAY");
    if (name.empty()) name = "wayland-0";
    const std::string path = name.front() == '/' ? name : Environment("XDG_RUNTIME_DIR") + "/" + name;
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

// Whether the named platform (its name up to any ":" of options) can start.
bool CanStart(std::string_view platform) {
    platform = platform.substr(0, platform.find(':'));
    if (platform == "xcb") return ReachesX();
    if (platform.substr(0, 7) == "wayland") return ReachesWayland();
    // offscreen, minimal, vnc and the like need no display to reach.
    return true;
}

}  // namespace

bool CanOpenDisplay(int argc, const char* const* argv) {
    std::string platforms = Environment("QT_QPA_PLATFORM");
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--") break;
        if ((argument == "-platform" || argument == "--platform") && i + 1 < argc) platforms = argv[++i];
        else if (argument.substr(0, 10) == "-platform=") platforms = argument.substr(10);
        else if (argument.substr(0, 11) == "--platform=") platforms = argument.substr(11);
    }
    // Without a choice, Qt takes Wayland in a Wayland session, else X.
    if (platforms.empty()) return ReachesWayland() || ReachesX();
    // A list ("wayland;xcb") is tried in its order.
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = platforms.find(';', start);
        if (CanStart(std::string_view(platforms).substr(start, end - start))) return true;
        if (end == std::string::npos) return false;
        start = end + 1;
    }
}
