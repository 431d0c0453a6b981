// Scanning of the SMD line kinds without the C library's formatted input: words as "%s" reads
// them, integers and reals as "%d" and "%f" read them but independent of the process locale (a
// decimal comma in the locale changes nothing). Each scanner starts at `p`, skips white space,
// and on success moves `p` past what it read.
#pragma once

#include <locale.h>
#include <stdlib.h>

#include <charconv>
#include <cstddef>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Whether the zero-terminated strings a and b are equal, as strcmp(a, b) == 0 tells; both must
// have 16 readable bytes (the loaders' name buffers do). Names shorter than 16 characters, the
// usual material names, are compared in one step.
inline bool SameName(const char* a, const char* b) {
#if defined(__SSE2__)
  const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a));
  const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b));
  const auto terminators = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, _mm_setzero_si128())));
  if (terminators != 0) {
    const unsigned differing = ~static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, y))) & 0xFFFFu;
    // Equal up to and including a's terminator.
    const unsigned first = terminators & (0u - terminators);
    return (differing & (first * 2 - 1)) == 0;
  }
#endif
  return std::strcmp(a, b) == 0;
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
  const bool negative = *s == '-';
  const char* digits = s + (negative || (*s == '+' && s[1] != '-'));
  // Up to 9 digits cannot overflow; longer numbers go through the checked conversion.
  const char* d = digits;
  int magnitude = 0;
  while (static_cast<unsigned>(*d - '0') < 10u && d - digits < 9) magnitude = magnitude * 10 + (*d++ - '0');
  if (d != digits && static_cast<unsigned>(*d - '0') >= 10u) {
    value = negative ? -magnitude : magnitude;
    p = d;
    return true;
  }
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

// Decimal reals of up to 19 significant digits and a power of ten up to 22: the double quotient
// or product is one correctly rounded operation, and rounding it on to float gives the float
// nearest the decimal unless it lies exactly halfway between two floats. Returns false where
// that shortcut does not apply, with `p` and `value` untouched.
inline bool ScanShortDecimal(const char*& p, float& value) {
  static constexpr double kPowers[23] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                         1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                         1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  const char* s = p;
  const bool negative = *s == '-';
  s += negative || *s == '+';
  // Up to 19 digits fit the 64-bit mantissa; longer ones (even of leading zeros) take the slow path.
  unsigned long long mantissa = 0;
  const char* first = s;
  while (static_cast<unsigned>(*s - '0') < 10u) mantissa = mantissa * 10 + static_cast<unsigned>(*s++ - '0');
  long digits = s - first;
  int exponent = 0;
  if (*s == '.') {
    const char* fraction = ++s;
    while (static_cast<unsigned>(*s - '0') < 10u)
      mantissa = mantissa * 10 + static_cast<unsigned>(*s++ - '0');
    exponent = -static_cast<int>(s - fraction);
    digits += s - fraction;
  }
  // "0x..." is a hexadecimal real: the slow path reads it.
  if (digits == 0 || digits > 19 || (*s | 0x20) == 'x') return false;
  if ((*s | 0x20) == 'e') {
    const char* e = s + 1;
    const bool negativeExponent = *e == '-';
    e += negativeExponent || *e == '+';
    if (static_cast<unsigned>(*e - '0') < 10u) {
      int written = 0;
      while (static_cast<unsigned>(*e - '0') < 10u) {
        if (written > 1000) return false;
        written = written * 10 + (*e++ - '0');
      }
      exponent += negativeExponent ? -written : written;
      s = e;
    }
  }
  if (mantissa > (1ull << 53) || exponent < -22 || exponent > 22) return false;
  const double quotient = exponent < 0 ? static_cast<double>(mantissa) / kPowers[-exponent]
                                       : static_cast<double>(mantissa) * kPowers[exponent];
  // Halfway between two floats: the low 29 of the 52 fraction bits are 1 followed by zeros.
  unsigned long long bits;
  std::memcpy(&bits, &quotient, sizeof bits);
  if ((bits & ((1ull << 29) - 1)) == (1ull << 28)) return false;
  const float rounded = static_cast<float>(quotient);
  value = negative ? -rounded : rounded;
  p = s;
  return true;
}

// The C library's strtof in the C locale: the reference for every real, used where the
// locale-free conversion below cannot answer (hexadecimal reals, and results beyond the float
// range, which only the value and not its text can tell apart).
inline float StrtofInCLocale(const char* s, const char** end) {
  static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  char* stop = nullptr;
  const float value = strtof_l(s, &stop, cLocale);
  *end = stop;
  return value;
}

// Reals as "%f" reads them: exactly what strtof gives in the C locale, value, sign and end,
// infinities and zeros out of the float range included.
inline bool ScanFloat(const char*& p, float& value) {
  const char* s = SkipSpace(p);
  if (ScanShortDecimal(s, value)) {
    p = s;
    return true;
  }
  if (*s == '+' && s[1] != '-') ++s;
  // Numbers are short: bound the parse to the next white space instead of the whole line.
  const char* end = s;
  while (*end != '\0' && !IsSpace(*end)) ++end;
  const char* digits = s + (*s == '-');
  float parsed = 0;
  const auto [next, error] = std::from_chars(s, end, parsed, std::chars_format::general);
  const bool hexadecimal = digits[0] == '0' && (digits[1] | 0x20) == 'x';
  if (hexadecimal || error == std::errc::result_out_of_range) {
    const char* stop = nullptr;
    parsed = StrtofInCLocale(s, &stop);
    if (stop == s) return false;
    value = parsed;
    p = stop;
    return true;
  }
  if (error != std::errc()) return false;
  value = parsed;
  p = next;
  return true;
}

}  // namespace smd
