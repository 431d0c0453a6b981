// Display of the model's code page 949 byte strings (bone names, material names, message texts)
// as UTF-8.
#pragma once

#include <string>

// Converts with iconv; bytes that are not valid code page 949 are shown as Latin-1 characters.
std::string Cp949ToUtf8(const std::string& text);
