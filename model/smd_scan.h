// Scanning of the SMD line kinds without the C library's formatted input: words as "%s" reads
// them, integers and reals as "%d" and "%f" read them but independent of the process locale (a
// decimal comma in the locale changes nothing). Each scanner starts at `p`, skips white space,
// and on success moves `p` past what it read.
#pragma once

#include <charconv>
#include <cstddef>
#include <limits>

namespace smd {

// The white-space set of the C locale, as "%s" and the numeric conversions skip it.
inline bool IsSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

inline const char* SkipSpace(const char* p) {
  while (IsSpace(*p)) ++p;
  return p;
}

// Copies the next word into `word` (capacity bytes), cutting it to capacity - 1 characters; the
// cut tail is skipped. Returns false, leaving `word` untouched, when the text holds no word.
inline bool ScanWord(const char*& p, char* word, size_t capacity) {
  const char* s = SkipSpace(p);
  if (*s == '\0') return false;
  size_t n = 0;
  while (*s != '\0' && !IsSpace(*s)) {
    if (n + 1 < capacity) word[n++] = *s;
    ++s;
  }
  word[n] = '\0';
  p = s;
  return true;
}

// Case-insensitive comparison of a word with a lower-case keyword.
inline bool IsKeyword(const char* word, const char* keyword) {
  for (; *keyword; ++word, ++keyword) {
    char c = *word;
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != *keyword) return false;
  }
  return *word == '\0';
}

inline bool ScanInt(const char*& p, int& value) {
  const char* s = SkipSpace(p);
  if (*s == '+' && s[1] != '-') ++s;
  const char* end = s;
  while (*end != '\0' && !IsSpace(*end)) ++end;
  int parsed = 0;
  const auto [next, error] = std::from_chars(s, end, parsed);
  if (error != std::errc()) return false;
  value = parsed;
  p = next;
  return true;
}

// Reals out of the float range read as "%f" reads them: infinity on overflow, zero on underflow.
inline bool ScanFloat(const char*& p, float& value) {
  const char* s = SkipSpace(p);
  if (*s == '+' && s[1] != '-') ++s;
  // Numbers are short: bound the parse to the next white space instead of the whole line.
  const char* end = s;
  while (*end != '\0' && !IsSpace(*end)) ++end;
  float parsed = 0;
  const auto [next, error] = std::from_chars(s, end, parsed, std::chars_format::general);
  if (error == std::errc::result_out_of_range) {
    const bool negative = *s == '-';
    const char* e = s;
    while (e < next && *e != 'e' && *e != 'E') ++e;
    const bool underflow = e + 1 < next && e[1] == '-';
    parsed = underflow ? 0.0f : std::numeric_limits<float>::infinity();
    if (negative) parsed = -parsed;
  } else if (error != std::errc()) {
    return false;
  }
  value = parsed;
  p = next;
  return true;
}

}  // namespace smd
