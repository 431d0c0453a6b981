// Fast scanning of the numeric lines (pose and vertex lines), which hold nearly all of an SMD
// file's bytes. A line is first copied into a buffer with zero bytes after its end, so that the
// digits of a number can be read eight at a time; results are those of smd::ScanFloat.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#include "model/smd_scan.h"

namespace smd {

struct PaddedLine {
  static constexpr size_t kCapacity = 256;
  static constexpr size_t kPadding = 32;
  char text[kCapacity + kPadding];
  size_t length = 0;

  // Lines longer than the reader's 255 characters are cut; the reader never gives such lines.
  explicit PaddedLine(const char* line) {
    const void* end = std::memchr(line, '\0', kCapacity - 1);
    Copy(line, end ? static_cast<size_t>(static_cast<const char*>(end) - line) : kCapacity - 1);
  }
  // A line whose length is known (what SmdReader::lastLength says).
  PaddedLine(const char* line, size_t length) { Copy(line, length < kCapacity ? length : kCapacity - 1); }

 private:
  void Copy(const char* line, size_t n) {
    length = n;
    std::memcpy(text, line, n);
    std::memset(text + n, 0, kPadding);
  }
};

// How many of the eight bytes of x (first byte lowest) are decimal digits before the first
// byte that is not; 8 when all are. Borrows and carries between bytes only reach bytes after
// the first non-digit, so they never change the answer.
inline int LeadingDigits(uint64_t x) {
  const uint64_t below = x - 0x3030303030303030ull;
  const uint64_t above = x + 0x4646464646464646ull;
  const uint64_t flags = (below | above) & 0x8080808080808080ull;
  return flags ? std::countr_zero(flags) / 8 : 8;
}

// The value of the first n (1 to 8) digit bytes of x, the first digit the most significant.
inline uint64_t DigitsValue(uint64_t x, int n) {
  uint64_t v = (x - 0x3030303030303030ull) << (8 * (8 - n));
  v = v * 10 + (v >> 8);
  return (((v & 0x000000FF000000FFull) * (100 + (1000000ull << 32))) +
          (((v >> 16) & 0x000000FF000000FFull) * (1 + (10000ull << 32)))) >>
         32;
}

// ScanFloat on text that has at least PaddedLine::kPadding readable bytes after its end. Plain
// decimals of up to 7 integer and 7 fraction digits take the eight-at-a-time path; everything
// else (exponents, longer numbers, infinities) goes to ScanFloat.
inline bool ScanPaddedFloat(const char*& p, float& value) {
  if constexpr (std::endian::native != std::endian::little) return ScanFloat(p, value);
  static constexpr uint64_t kScale[8] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000};
  static constexpr double kInverse[8] = {1e0, 1e-1, 1e-2, 1e-3, 1e-4, 1e-5, 1e-6, 1e-7};
  const char* s = SkipSpace(p);
  const bool negative = *s == '-';
  s += negative || *s == '+';
  uint64_t bytes;
  std::memcpy(&bytes, s, sizeof bytes);
  const int integerDigits = LeadingDigits(bytes);
  if (integerDigits == 8) return ScanFloat(p, value);
  uint64_t mantissa = integerDigits ? DigitsValue(bytes, integerDigits) : 0;
  s += integerDigits;
  int fractionDigits = 0;
  if (*s == '.') {
    ++s;
    std::memcpy(&bytes, s, sizeof bytes);
    fractionDigits = LeadingDigits(bytes);
    if (fractionDigits == 8) return ScanFloat(p, value);
    if (fractionDigits) mantissa = mantissa * kScale[fractionDigits] + DigitsValue(bytes, fractionDigits);
    s += fractionDigits;
  }
  if (integerDigits + fractionDigits == 0 || (*s | 0x20) == 'e' || (*s | 0x20) == 'x')
    return ScanFloat(p, value);
  // At most 14 digits, exact in a double. Multiplying by the rounded inverse power of ten lands
  // within 2 units in the last place of the double quotient; unless that is that close to a
  // point halfway between two floats, it rounds to the same float as the quotient. Near such a
  // point the exact path decides.
  const double product = static_cast<double>(static_cast<int64_t>(mantissa)) * kInverse[fractionDigits];
  uint64_t bits;
  std::memcpy(&bits, &product, sizeof bits);
  const uint64_t offset = (bits & ((1ull << 29) - 1)) - (1ull << 28);
  if (offset + 8 <= 16) return ScanFloat(p, value);
  // The sign goes in without a branch: signs of coordinates follow no pattern a predictor learns.
  const float magnitude = static_cast<float>(product);
  uint32_t floatBits;
  std::memcpy(&floatBits, &magnitude, sizeof floatBits);
  floatBits ^= static_cast<uint32_t>(negative) << 31;
  std::memcpy(&value, &floatBits, sizeof value);
  p = s;
  return true;
}

}  // namespace smd
