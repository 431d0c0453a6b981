// The program's user-visible texts are code page 949 byte strings; SDL and the terminal take UTF-8.
#pragma once

#include <string>

// Converts a code page 949 string to UTF-8. Bytes that are not valid code page 949 become U+FFFD;
// null becomes "".
std::string Cp949ToUtf8(const char* text);
