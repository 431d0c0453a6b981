// The whole-line scanners behind smd::ScanNumberLine, one with AVX-512 (with VBMI2) and one with
// AVX2. Each reads only lines whose numbers are all plain decimals, to the general scanner's bit;
// any other line is refused and left to the general scanner, which defines the results.
#pragma once

#include <cstddef>

namespace smd {

// Lines of up to this many characters are read here; longer ones are refused.
inline constexpr size_t kPlainLineLimit = 127;
// Bytes they read from the line's start on, whatever the line's length.
inline constexpr size_t kPlainLineReadable = 144;

// Read "%d" and then `count` (6 or 8) times "%f" from text[0, length) when all of them are
// plain: the integer of 1 to 7 digits, each real of up to 7 digits on either side of one '.'
// (at least one digit in all), each with an optional '-', separated by white space, with only
// white space before the first. What follows the last number is ignored, as the general
// scanners ignore it, unless it could continue the number (an exponent); the line ends at
// `length` whatever text[length] holds. Return false, writing nothing, for any other line, and
// on processors without the instructions.
bool ScanPlainLineAvx512(const char* text, size_t length, int& first, float* values, int count);
bool ScanPlainLineAvx2(const char* text, size_t length, int& first, float* values, int count);

// Whether this processor reads lines with each.
bool PlainLineAvx512Available();
bool PlainLineAvx2Available();

}  // namespace smd
