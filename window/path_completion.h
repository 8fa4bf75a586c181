#pragma once

class QLineEdit;

// Lets the field offer the local folders and files that complete what has
// been typed. The offers appear in a pop-up list and change the text only
// when the user picks one, so every change of the text is still the user's.
void CompleteLocalPaths(QLineEdit& field);
