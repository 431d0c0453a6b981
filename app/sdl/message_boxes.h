// The message boxes the program shows: SDL's modal box in a window, standard error when headless.
#pragma once

#include "app/win32.h"

// Installs the message box of a windowed or of a headless run.
void InstallMessageBoxes(bool headless);

// The headless box: writes "caption: text" in UTF-8 to standard error and answers OK, as if the
// user had dismissed the box.
int StandardErrorBox(HWND owner, const char* text, const char* caption, UINT type);
