// The few operating-system services that code below the application layer uses: the modal
// message box, the millisecond timer and opening a file by the program's own path spelling.
// The application installs the real message box and clock; tests install recorders.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "base/win_types.h"

inline constexpr UINT MB_OK = 0;
inline constexpr int IDOK = 1;

using MessageBoxHandler = int (*)(HWND owner, const char* text, const char* caption, UINT type);
// Null restores the default, which writes the caption and the text to standard error.
void SetMessageBoxHandler(MessageBoxHandler handler);
// Shows a modal message box; text and caption are code page 949 byte strings.
int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);

using MillisecondClock = uint32_t (*)();
// Null restores the default: a monotonic clock in milliseconds, truncated to 32 bits.
void SetMillisecondClock(MillisecondClock clock);
uint32_t timeGetTime();

// The program spells paths as its files do, with backslashes ("Model\SMD\x.smd"); they are
// turned into this system's separators only here, where a file is opened.
std::string NativePath(const char* path);
// Reading ("r", "rb", "rt") opens regular files only: a folder is refused with EISDIR, a pipe or
// a device with ESPIPE, without waiting for a writer.
FILE* OpenFile(const char* path, const char* mode);
