// ScanPlainLineAvx2: masks of the line's digits, points, minus signs and white space give every
// number's start and check the line's shape at once; each real is then loaded from its start, two
// reals to a register, and one shuffle from a table of sign and digit counts puts its digits in a
// fixed-point layout, seven fraction digits, point and sign left out, which multiply-adds sum. So
// every real is its value times 10^7, an exact integer, times the rounded 10^-7; as in the AVX-512
// scanner, that product lies within 2 units in the last place of the exact quotient, and unless
// that is that close to a point halfway between two floats it rounds to the float nearest the
// decimal, which is what the general scanner gives. Near such a point the line is refused and the
// general scanner decides. Processors without AVX2 get false for every line.
#include <cstdint>
#include <cstring>

#include "model/smd_plain_line_scan.h"

#if defined(__x86_64__)
#include <immintrin.h>
#define SMD_HAVE_AVX2_PATH 1
#endif

namespace smd {

#if defined(SMD_HAVE_AVX2_PATH)

namespace {

#define SMD_AVX2 __attribute__((target("avx2,bmi,bmi2,popcnt")))
#define SMD_AVX2_INLINE __attribute__((target("avx2,bmi,bmi2,popcnt"), always_inline)) inline

// The gather entry of a lane that holds no real.
constexpr int kEmptyLane = 128;
// Lane byte of a real's ones digit; its fraction digits follow it.
constexpr int kOnesByte = 8;

struct alignas(32) Tables {
  // Entry 64n + 8i + f: shuffle control that takes a real of n minus signs (0 or 1), i integer and
  // f fraction digits, read from its start (the point at byte n + i), into the fixed-point layout;
  // zero elsewhere.
  uint8_t gather[kEmptyLane + 1][16];
  // Bit k of a byte, for each of eight 32-bit lanes.
  alignas(32) int32_t laneBits[8];
};

constexpr Tables MakeTables() {
  Tables t{};
  for (int n = 0; n < 2; ++n) {
    for (int i = 0; i < 8; ++i) {
      for (int f = 0; f < 8; ++f) {
        for (int j = 0; j < 16; ++j) {
          int source = 0x80;
          if (j <= kOnesByte && j > kOnesByte - i) source = n + i - 1 - (kOnesByte - j);
          if (j > kOnesByte && j <= kOnesByte + f) source = n + i + (j - kOnesByte);
          t.gather[64 * n + 8 * i + f][j] = static_cast<uint8_t>(source);
        }
      }
    }
  }
  for (int j = 0; j < 16; ++j) t.gather[kEmptyLane][j] = 0x80;
  for (int k = 0; k < 8; ++k) t.laneBits[k] = 1 << k;
  return t;
}

constexpr Tables kTables = MakeTables();

SMD_AVX2_INLINE uint64_t Below(int position, int word) {
  const int bits = position - 64 * word;
  if (bits <= 0) return 0;
  return bits >= 64 ? ~0ull : (1ull << bits) - 1;
}

// The set bits of a mask of kWords words, lowest first. No branch depends on where the words
// split the bits (pdep would take none either, but is slow microcode on the AMD processors before
// Zen 3). Past the last bit it gives 64 · kWords or more.
template <int kWords>
struct BitCursor {
  uint64_t low, high;
  SMD_AVX2_INLINE BitCursor(const uint64_t (&mask)[2]) : low(mask[0]), high(kWords == 2 ? mask[1] : 0) {}
  SMD_AVX2_INLINE int Next() {
    // tzcnt gives 64 for an empty word.
    const auto inLow = static_cast<int>(_tzcnt_u64(low));
    int at = inLow;
    if (kWords == 2) {
      const bool fromLow = low != 0;
      at = fromLow ? inLow : 64 + static_cast<int>(_tzcnt_u64(high));
      high = fromLow ? high : _blsr_u64(high);
    }
    low = _blsr_u64(low);
    return at;
  }
};

SMD_AVX2_INLINE uint64_t Mask(__m256i low, __m256i high) {
  return static_cast<uint32_t>(_mm256_movemask_epi8(low)) |
         static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(high))) << 32;
}

// Bytes whose value less `from` is at most `span`, unsigned.
SMD_AVX2_INLINE __m256i InRange(__m256i bytes, char from, char span) {
  const __m256i offset = _mm256_sub_epi8(bytes, _mm256_set1_epi8(from));
  return _mm256_cmpeq_epi8(_mm256_min_epu8(offset, _mm256_set1_epi8(span)), offset);
}

// The value of the first n (1 to 7) digit bytes of x, the first digit the most significant.
SMD_AVX2_INLINE uint64_t DigitsValue(uint64_t x, int n) {
  uint64_t v = (x - 0x3030303030303030ull) << (8 * (8 - n));
  v = v * 10 + (v >> 8);
  return (((v & 0x000000FF000000FFull) * (100 + (1000000ull << 32))) +
          (((v >> 16) & 0x000000FF000000FFull) * (1 + (10000ull << 32)))) >>
         32;
}

// The value times 10^7 of the two reals, as two 32-bit halves per lane: the first eight of sixteen
// places, then the last eight.
SMD_AVX2_INLINE __m256i PairSums(const char* text, int a, int b, int entryA, int entryB) {
  const __m256i bytes = _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(text + b),
                                            reinterpret_cast<const __m128i*>(text + a));
  const __m256i control = _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(kTables.gather[entryB]),
                                              reinterpret_cast<const __m128i*>(kTables.gather[entryA]));
  const __m256i digits = _mm256_shuffle_epi8(_mm256_sub_epi8(bytes, _mm256_set1_epi8('0')), control);
  const __m256i pairs = _mm256_maddubs_epi16(digits, _mm256_set1_epi16(0x010A));
  const __m256i quads = _mm256_madd_epi16(pairs, _mm256_set1_epi32(0x00010064));
  const __m256i packed = _mm256_packs_epi32(quads, quads);
  return _mm256_madd_epi16(packed, _mm256_set1_epi32(0x00012710));
}

// kWords 1 reads lines of up to 64 characters, the shorter pose lines, in half the work.
template <int kCount, int kWords>
SMD_AVX2 bool ScanLine(const char* text, size_t length, int& first, float* values) {
  static_assert(kCount == 6 || kCount == 8);
  static_assert(kWords == 1 || kWords == 2);
  const int size = static_cast<int>(length);
  uint64_t number[2] = {}, other[2] = {}, point[2] = {}, minus[2] = {};
#pragma GCC unroll 2
  for (int w = 0; w < kWords; ++w) {
    const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + 64 * w));
    const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + 64 * w + 32));
    const uint64_t inside = Below(size, w);
    const __m256i dot = _mm256_set1_epi8('.'), dash = _mm256_set1_epi8('-'), blank = _mm256_set1_epi8(' ');
    const __m256i lowPoint = _mm256_cmpeq_epi8(low, dot), highPoint = _mm256_cmpeq_epi8(high, dot);
    const __m256i lowMinus = _mm256_cmpeq_epi8(low, dash), highMinus = _mm256_cmpeq_epi8(high, dash);
    const __m256i lowNumber = _mm256_or_si256(InRange(low, '0', 9), _mm256_or_si256(lowPoint, lowMinus));
    const __m256i highNumber = _mm256_or_si256(InRange(high, '0', 9), _mm256_or_si256(highPoint, highMinus));
    const __m256i lowSpace = _mm256_or_si256(InRange(low, '\t', 4), _mm256_cmpeq_epi8(low, blank));
    const __m256i highSpace = _mm256_or_si256(InRange(high, '\t', 4), _mm256_cmpeq_epi8(high, blank));
    point[w] = Mask(lowPoint, highPoint) & inside;
    minus[w] = Mask(lowMinus, highMinus) & inside;
    number[w] = Mask(lowNumber, highNumber) & inside;
    other[w] = ~Mask(_mm256_or_si256(lowNumber, lowSpace), _mm256_or_si256(highNumber, highSpace)) & inside;
  }
  // Where each run of number characters starts, and its last character.
  const uint64_t carry = number[0] >> 63;
  const uint64_t starts[2] = {number[0] & ~(number[0] << 1), number[1] & ~((number[1] << 1) | carry)};
  const uint64_t lasts[2] = {number[0] & ~((number[0] >> 1) | (number[1] << 63)),
                             number[1] & ~(number[1] >> 1)};
  if (__builtin_popcountll(starts[0]) + __builtin_popcountll(starts[1]) < kCount + 1) return false;
  BitCursor<kWords> startCursor(starts), lastCursor(lasts), pointCursor(point);
  const int integerStart = startCursor.Next();
  const int integerLast = lastCursor.Next();

  // Real k is run k + 1, and its point the k-th of the line: a run without one, or with two, puts
  // some real's point outside its run (a negative count), or one point too many before the last
  // real's end. Counts of 0 to 7 leave no bit above the third; their sum less one is negative
  // where the real has no digit.
  int start[8] = {}, entries[8];
  unsigned negatives = 0;
  int counts = 0, digitsLessOne = 0, end = 0;
#pragma GCC unroll 8
  for (int k = 0; k < kCount; ++k) {
    const int at = startCursor.Next();
    const int last = lastCursor.Next();
    const int dot = pointCursor.Next();
    const auto sign = static_cast<int>((minus[kWords == 2 ? at >> 6 : 0] >> (at & 63)) & 1);
    const int integerDigits = dot - at - sign;
    const int fractionDigits = last - dot;
    counts |= integerDigits | fractionDigits;
    digitsLessOne |= last - at - sign - 1;
    negatives |= static_cast<unsigned>(sign) << k;
    entries[k] = 64 * sign + 8 * integerDigits + fractionDigits;
    start[k] = at;
    end = last + 1;
  }
  for (int k = kCount; k < 8; ++k) entries[k] = kEmptyLane;
  bool bad = ((counts & ~7) | (digitsLessOne & ~15)) != 0;

  // Up to the end of the last real: numbers and white space only, minus signs only where a number
  // starts, and one point for each real. After it, nothing that continues a number.
  int pointsBefore = 0;
#pragma GCC unroll 2
  for (int w = 0; w < kWords; ++w) {
    const uint64_t before = Below(end, w);
    bad |= ((other[w] | (minus[w] & ~starts[w])) & before) != 0;
    pointsBefore += __builtin_popcountll(point[w] & before);
  }
  bad |= pointsBefore != kCount;
  const char next = end < size ? static_cast<char>(text[end] | 0x20) : '\0';
  bad |= (next == 'e') | (next == 'x');

  // The integer: 1 to 7 digits.
  const int integerSign = text[integerStart] == '-';
  const int digits = integerLast + 1 - integerStart - integerSign;
  bad |= static_cast<unsigned>(digits - 1) > 6u;
  if (bad) return false;

  const __m256i sums[4] = {PairSums(text, start[0], start[4], entries[0], entries[4]),
                           PairSums(text, start[1], start[5], entries[1], entries[5]),
                           PairSums(text, start[2], start[6], entries[2], entries[6]),
                           PairSums(text, start[3], start[7], entries[3], entries[7])};
  const __m256i evenOdd = _mm256_unpacklo_epi32(sums[0], sums[1]);
  const __m256i laterOdd = _mm256_unpacklo_epi32(sums[2], sums[3]);
  const __m256i highs = _mm256_unpacklo_epi64(evenOdd, laterOdd);
  const __m256i lows = _mm256_unpackhi_epi64(evenOdd, laterOdd);
  // At most 14 digits: the value times 10^7 is exact in a double, and so is each step that forms it.
  const __m256d scale = _mm256_set1_pd(1e8), inverse = _mm256_set1_pd(1e-7);
  __m128 halves[2];
  __m256i nearHalfway = _mm256_setzero_si256();
#pragma GCC unroll 2
  for (int h = 0; h < 2; ++h) {
    const __m128i high = h ? _mm256_extracti128_si256(highs, 1) : _mm256_castsi256_si128(highs);
    const __m128i low = h ? _mm256_extracti128_si256(lows, 1) : _mm256_castsi256_si128(lows);
    const __m256d scaled =
        _mm256_add_pd(_mm256_mul_pd(_mm256_cvtepi32_pd(high), scale), _mm256_cvtepi32_pd(low));
    const __m256d product = _mm256_mul_pd(scaled, inverse);
    // Within 8 units of a halfway point between two floats, whose low 29 of the 52 fraction bits
    // are 1 followed by zeros.
    const __m256i offset =
        _mm256_sub_epi64(_mm256_and_si256(_mm256_castpd_si256(product), _mm256_set1_epi64x((1ll << 29) - 1)),
                         _mm256_set1_epi64x((1ll << 28) - 8));
    nearHalfway =
        _mm256_or_si256(nearHalfway, _mm256_and_si256(_mm256_cmpgt_epi64(offset, _mm256_set1_epi64x(-1)),
                                                      _mm256_cmpgt_epi64(_mm256_set1_epi64x(17), offset)));
    halves[h] = _mm256_cvtpd_ps(product);
  }
  if (!_mm256_testz_si256(nearHalfway, nearHalfway)) return false;
  const __m256i laneBits = _mm256_load_si256(reinterpret_cast<const __m256i*>(kTables.laneBits));
  const __m256i negative =
      _mm256_cmpeq_epi32(_mm256_and_si256(_mm256_set1_epi32(negatives), laneBits), laneBits);
  const __m256 reals = _mm256_xor_ps(_mm256_set_m128(halves[1], halves[0]),
                                     _mm256_castsi256_ps(_mm256_slli_epi32(negative, 31)));

  uint64_t integerBytes;
  std::memcpy(&integerBytes, text + integerStart + integerSign, sizeof integerBytes);
  const auto magnitude = static_cast<int>(DigitsValue(integerBytes, digits));
  first = integerSign ? -magnitude : magnitude;
  alignas(32) float all[8];
  _mm256_store_ps(all, reals);
  std::memcpy(values, all, sizeof(float) * kCount);
  return true;
}

bool HasAvx2() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2") &&
         __builtin_cpu_supports("popcnt");
}

const bool kAvx2 = HasAvx2();

}  // namespace

bool PlainLineAvx2Available() {
  return kAvx2;
}

bool ScanPlainLineAvx2(const char* text, size_t length, int& first, float* values, int count) {
  if (!kAvx2 || length > kPlainLineLimit) return false;
  const bool shortLine = length <= 64;
  if (count == 8)
    return shortLine ? ScanLine<8, 1>(text, length, first, values)
                     : ScanLine<8, 2>(text, length, first, values);
  if (count == 6)
    return shortLine ? ScanLine<6, 1>(text, length, first, values)
                     : ScanLine<6, 2>(text, length, first, values);
  return false;
}

#else

bool PlainLineAvx2Available() {
  return false;
}

bool ScanPlainLineAvx2(const char*, size_t, int&, float*, int) {
  return false;
}

#endif

}  // namespace smd
