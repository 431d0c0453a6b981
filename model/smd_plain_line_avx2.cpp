// ScanPlainLineAvx2: masks of the line's digits, points, minus signs and white space give every
// number's start, point and end; one shuffle from a table of digit counts gathers a real's digits
// right-aligned into a 16-byte lane, point left out, two reals to a register, and multiply-adds
// sum them. The conversion is the general scanner's short-decimal one, the exact mantissa divided
// by the exact power of ten in double precision and rounded to float, four reals to a vector; a
// quotient exactly halfway between two floats is left to the general scanner, as it leaves it to
// its slow path. Processors without AVX2 get false for every line.
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

// The gather entry of a lane that holds no real.
constexpr int kEmptyLane = 64;

struct alignas(32) Tables {
  // Entry 8i + f: shuffle control that takes a real of i integer and f fraction digits, read from
  // its first digit (the point at byte i), into the lane's last i + f bytes, zero before them.
  uint8_t gather[kEmptyLane + 1][16];
  int32_t powers[8];
};

constexpr Tables MakeTables() {
  Tables t{};
  for (int i = 0; i < 8; ++i) {
    for (int f = 0; f < 8; ++f) {
      for (int j = 0; j < 16; ++j) {
        // Place r from the right is fraction digit i + f - r, or integer digit i + f - r - 1.
        const int r = 15 - j;
        const int source = r < f ? i + f - r : r < f + i ? i + f - r - 1 : 0x80;
        t.gather[8 * i + f][j] = static_cast<uint8_t>(source);
      }
    }
  }
  for (int j = 0; j < 16; ++j) t.gather[kEmptyLane][j] = 0x80;
  int32_t power = 1;
  for (int k = 0; k < 8; ++k, power *= 10) t.powers[k] = power;
  return t;
}

constexpr Tables kTables = MakeTables();

uint64_t Below(int position, int word) {
  const int bits = position - 64 * word;
  if (bits <= 0) return 0;
  return bits >= 64 ? ~0ull : (1ull << bits) - 1;
}

// The positions of the first n set bits of the 128-bit mask; false when it has fewer.
template <int n>
SMD_AVX2 bool FirstPositions(const uint64_t (&mask)[2], int (&out)[n]) {
  uint64_t low = mask[0], high = mask[1];
  int k = 0;
  for (; k < n && low != 0; ++k, low &= low - 1) out[k] = __builtin_ctzll(low);
  for (; k < n && high != 0; ++k, high &= high - 1) out[k] = 64 + __builtin_ctzll(high);
  return k == n;
}

SMD_AVX2 uint64_t Mask(__m256i low, __m256i high) {
  return static_cast<uint32_t>(_mm256_movemask_epi8(low)) |
         static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(high))) << 32;
}

// Bytes whose value less `from` is at most `span`, unsigned.
SMD_AVX2 __m256i InRange(__m256i bytes, char from, char span) {
  const __m256i offset = _mm256_sub_epi8(bytes, _mm256_set1_epi8(from));
  return _mm256_cmpeq_epi8(_mm256_min_epu8(offset, _mm256_set1_epi8(span)), offset);
}

// The digits of reals a and b in the two lanes, as values 0 to 9 right-aligned, and their sum of
// places as two 32-bit halves per lane: the first eight of sixteen places, then the last eight.
SMD_AVX2 __m256i LaneMantissas(const char* text, const int* digitsAt, const int* entry, int a, int b) {
  const __m256i bytes = _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(text + digitsAt[b]),
                                            reinterpret_cast<const __m128i*>(text + digitsAt[a]));
  const __m256i control = _mm256_loadu2_m128i(reinterpret_cast<const __m128i*>(kTables.gather[entry[b]]),
                                              reinterpret_cast<const __m128i*>(kTables.gather[entry[a]]));
  const __m256i digits = _mm256_shuffle_epi8(_mm256_sub_epi8(bytes, _mm256_set1_epi8('0')), control);
  const __m256i pairs = _mm256_maddubs_epi16(digits, _mm256_set1_epi16(0x010A));
  const __m256i quads = _mm256_madd_epi16(pairs, _mm256_set1_epi32(0x00010064));
  const __m256i packed = _mm256_packs_epi32(quads, quads);
  return _mm256_madd_epi16(packed, _mm256_set1_epi32(0x00012710));
}

// The value of the first n (1 to 7) digit bytes of x, the first digit the most significant.
uint64_t DigitsValue(uint64_t x, int n) {
  uint64_t v = (x - 0x3030303030303030ull) << (8 * (8 - n));
  v = v * 10 + (v >> 8);
  return (((v & 0x000000FF000000FFull) * (100 + (1000000ull << 32))) +
          (((v >> 16) & 0x000000FF000000FFull) * (1 + (10000ull << 32)))) >>
         32;
}

template <int kCount>
SMD_AVX2 bool ScanLine(const char* text, size_t length, int& first, float* values) {
  static_assert(kCount == 6 || kCount == 8);
  const int size = static_cast<int>(length);
  uint64_t number[2], point[2], minus[2], space[2];
  for (int w = 0; w < 2; ++w) {
    const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + 64 * w));
    const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(text + 64 * w + 32));
    const uint64_t inside = Below(size, w);
    const __m256i dot = _mm256_set1_epi8('.'), dash = _mm256_set1_epi8('-');
    point[w] = Mask(_mm256_cmpeq_epi8(low, dot), _mm256_cmpeq_epi8(high, dot)) & inside;
    minus[w] = Mask(_mm256_cmpeq_epi8(low, dash), _mm256_cmpeq_epi8(high, dash)) & inside;
    number[w] = (Mask(InRange(low, '0', 9), InRange(high, '0', 9)) & inside) | point[w] | minus[w];
    const __m256i blank = _mm256_set1_epi8(' ');
    space[w] = Mask(_mm256_or_si256(InRange(low, '\t', 4), _mm256_cmpeq_epi8(low, blank)),
                    _mm256_or_si256(InRange(high, '\t', 4), _mm256_cmpeq_epi8(high, blank))) &
               inside;
  }
  // Runs of number characters: where each starts, and the first place after each.
  const uint64_t carry = number[0] >> 63;
  const uint64_t starts[2] = {number[0] & ~(number[0] << 1), number[1] & ~((number[1] << 1) | carry)};
  const uint64_t stops[2] = {~number[0] & (number[0] << 1), ~number[1] & ((number[1] << 1) | carry)};
  int start[kCount + 1], stop[kCount + 1], pointAt[kCount];
  if (!FirstPositions(starts, start) || !FirstPositions(stops, stop) || !FirstPositions(point, pointAt))
    return false;

  // Up to the end of the last number: numbers and white space only, minus signs only where a
  // number starts, and one point for each real. After it, nothing that continues a number.
  const int end = stop[kCount];
  bool bad = false;
  int pointsBefore = 0;
  for (int w = 0; w < 2; ++w) {
    const uint64_t before = Below(end, w);
    bad |= ((~(number[w] | space[w]) | (minus[w] & ~starts[w])) & before) != 0;
    pointsBefore += __builtin_popcountll(point[w] & before);
  }
  bad |= pointsBefore != kCount;
  const char next = end < size ? static_cast<char>(text[end] | 0x20) : '\0';
  bad |= (next == 'e') | (next == 'x');

  // The integer: 1 to 7 digits.
  const int integerSign = text[start[0]] == '-';
  const int digits = stop[0] - start[0] - integerSign;
  bad |= static_cast<unsigned>(digits - 1) > 6u;

  // Real k holds the k-th point, so with as many points as reals each holds exactly one.
  alignas(32) int32_t fraction[8] = {}, sign[8] = {};
  int digitsAt[8] = {}, entry[8] = {kEmptyLane, kEmptyLane, kEmptyLane, kEmptyLane,
                                    kEmptyLane, kEmptyLane, kEmptyLane, kEmptyLane};
  for (int k = 0; k < kCount; ++k) {
    const int negative = text[start[k + 1]] == '-';
    const int integerDigits = pointAt[k] - start[k + 1] - negative;
    const int fractionDigits = stop[k + 1] - pointAt[k] - 1;
    bad |= (static_cast<unsigned>(integerDigits) > 7u) | (static_cast<unsigned>(fractionDigits) > 7u) |
           (integerDigits + fractionDigits == 0);
    digitsAt[k] = start[k + 1] + negative;
    entry[k] = 8 * (integerDigits & 7) + (fractionDigits & 7);
    fraction[k] = fractionDigits & 7;
    sign[k] = negative ? static_cast<int32_t>(0x80000000u) : 0;
  }
  if (bad) return false;

  // Lane pairs (k, k + 4), so that the unpacks below leave reals 0 to 3 in the low lane.
  const __m256i sums[4] = {
      LaneMantissas(text, digitsAt, entry, 0, 4), LaneMantissas(text, digitsAt, entry, 1, 5),
      LaneMantissas(text, digitsAt, entry, 2, 6), LaneMantissas(text, digitsAt, entry, 3, 7)};
  const __m256i evenOdd = _mm256_unpacklo_epi32(sums[0], sums[1]);
  const __m256i laterOdd = _mm256_unpacklo_epi32(sums[2], sums[3]);
  const __m256i highs = _mm256_unpacklo_epi64(evenOdd, laterOdd);
  const __m256i lows = _mm256_unpackhi_epi64(evenOdd, laterOdd);
  const __m256i powers =
      _mm256_permutevar8x32_epi32(_mm256_load_si256(reinterpret_cast<const __m256i*>(kTables.powers)),
                                  _mm256_load_si256(reinterpret_cast<const __m256i*>(fraction)));
  // At most 14 digits: the mantissa is exact in a double, and so is each step that forms it.
  const __m256d scale = _mm256_set1_pd(1e8);
  __m128 halves[2];
  __m256i halfway = _mm256_setzero_si256();
  for (int h = 0; h < 2; ++h) {
    const __m128i high = h ? _mm256_extracti128_si256(highs, 1) : _mm256_castsi256_si128(highs);
    const __m128i low = h ? _mm256_extracti128_si256(lows, 1) : _mm256_castsi256_si128(lows);
    const __m128i power = h ? _mm256_extracti128_si256(powers, 1) : _mm256_castsi256_si128(powers);
    const __m256d mantissa =
        _mm256_add_pd(_mm256_mul_pd(_mm256_cvtepi32_pd(high), scale), _mm256_cvtepi32_pd(low));
    const __m256d quotient = _mm256_div_pd(mantissa, _mm256_cvtepi32_pd(power));
    // Halfway between two floats: the low 29 of the 52 fraction bits are 1 followed by zeros.
    const __m256i low29 =
        _mm256_and_si256(_mm256_castpd_si256(quotient), _mm256_set1_epi64x((1ll << 29) - 1));
    halfway = _mm256_or_si256(halfway, _mm256_cmpeq_epi64(low29, _mm256_set1_epi64x(1ll << 28)));
    halves[h] = _mm256_cvtpd_ps(quotient);
  }
  if (!_mm256_testz_si256(halfway, halfway)) return false;
  const __m256 magnitudes = _mm256_set_m128(halves[1], halves[0]);
  const __m256 reals = _mm256_xor_ps(
      magnitudes, _mm256_castsi256_ps(_mm256_load_si256(reinterpret_cast<const __m256i*>(sign))));

  uint64_t integerBytes;
  std::memcpy(&integerBytes, text + start[0] + integerSign, sizeof integerBytes);
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
  if (count == 8) return ScanLine<8>(text, length, first, values);
  if (count == 6) return ScanLine<6>(text, length, first, values);
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
