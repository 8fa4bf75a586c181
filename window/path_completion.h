#pragma once

class QLineEdit;

// Lets the field offer the local folders and charts (names ending in .dwi,
// .sm or .ssc, in any case) that complete what has been typed, each shown
// whole. The offers appear in a pop-up list and change the text only when
// the user picks one, so every change of the text is still the user's. Once
// the text names an existing file there is nothing left to offer and the
// pop-up closes, so the next click reaches the control it is aimed at.
void CompleteLocalPaths(QLineEdit& field);
