// ScanPlainLineAvx512: masks of the line's digits, points, minus signs and white space
// give every number's start, point and end at once; the digits of all eight reals are gathered
// right-aligned into sixteen bytes each and summed by multiply-adds, and the conversion to float
// runs on all eight together. No number waits for the one before it, and no branch depends on
// the digits. Processors without the instructions get false for every line.
#include <bit>
#include <cstdint>
#include <cstring>

#include "model/smd_plain_line_scan.h"

#if defined(__x86_64__)
#include <immintrin.h>
#define SMD_HAVE_AVX512_PATH 1
#endif

namespace smd {

#if defined(SMD_HAVE_AVX512_PATH)
// GCC 12's AVX-512 intrinsics start many results from a deliberately undefined register, which
// its flow analysis reports as a use of an uninitialized value; only this path's code is exempt.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace {

// The value of the first n (1 to 8) digit bytes of x, the first digit the most significant.
inline uint64_t DigitsValue(uint64_t x, int n) {
  uint64_t v = (x - 0x3030303030303030ull) << (8 * (8 - n));
  v = v * 10 + (v >> 8);
  return (((v & 0x000000FF000000FFull) * (100 + (1000000ull << 32))) +
          (((v >> 16) & 0x000000FF000000FFull) * (1 + (10000ull << 32)))) >>
         32;
}

#define SMD_AVX512 \
  __attribute__((target("avx512f,avx512bw,avx512dq,avx512vl,avx512vbmi,avx512vbmi2,popcnt,bmi,bmi2")))

struct alignas(64) Constants {
  uint8_t iota[128];
  // Where the reals' starts and stops lie in the sorted list of all starts and stops.
  uint8_t realStarts[64];
  uint8_t realStops[64];
  // For each byte of four 16-byte lanes: its lane, and its lane plus four.
  uint8_t firstLanes[64];
  uint8_t lastLanes[64];
  // For each byte of a lane, its place counted from the lane's last byte.
  uint8_t fromRight[64];
  double inverse[8];
  int64_t evenQuads[8];
};

constexpr Constants MakeConstants() {
  Constants c{};
  for (int b = 0; b < 128; ++b) c.iota[b] = static_cast<uint8_t>(b);
  for (int b = 0; b < 64; ++b) {
    c.realStarts[b] = static_cast<uint8_t>((2 + 2 * b) & 63);
    c.realStops[b] = static_cast<uint8_t>((3 + 2 * b) & 63);
  }
  for (int b = 0; b < 64; ++b) {
    c.firstLanes[b] = static_cast<uint8_t>(b / 16);
    c.lastLanes[b] = static_cast<uint8_t>(4 + b / 16);
    c.fromRight[b] = static_cast<uint8_t>(15 - b % 16);
  }
  constexpr double kInverse[8] = {1e0, 1e-1, 1e-2, 1e-3, 1e-4, 1e-5, 1e-6, 1e-7};
  for (int k = 0; k < 8; ++k) {
    c.inverse[k] = kInverse[k];
    c.evenQuads[k] = k < 4 ? 2 * k : 8 + 2 * (k - 4);
  }
  return c;
}

constexpr Constants kConstants = MakeConstants();

SMD_AVX512 __m512i Load(const void* data) {
  return _mm512_loadu_si512(data);
}

// The positions of the set bits of the 128-bit mask (low, high), in order, one per byte.
SMD_AVX512 __m512i Positions(uint64_t low, uint64_t high) {
  const __m512i iota = Load(kConstants.iota);
  const __m512i lowPositions = _mm512_maskz_compress_epi8(low, iota);
  const __m512i highPositions = _mm512_maskz_compress_epi8(high, Load(kConstants.iota + 64));
  const int lowCount = std::popcount(low);
  // Byte b takes lowPositions[b] below lowCount, highPositions[b - lowCount] from there on.
  const __mmask64 fromHigh = _mm512_cmpge_epu8_mask(iota, _mm512_set1_epi8(static_cast<char>(lowCount)));
  const __m512i index =
      _mm512_mask_add_epi8(iota, fromHigh, iota, _mm512_set1_epi8(static_cast<char>(64 - lowCount)));
  return _mm512_permutex2var_epi8(lowPositions, index, highPositions);
}

// The mantissas of four numbers, one per 16-byte lane, from the line's digit values (the line's
// 128 bytes less '0'): a lane's bytes take the number's digits right-aligned, the point left
// out, so that three multiply-add steps sum them. The result holds each lane's mantissa in the
// lane's first 64-bit element.
SMD_AVX512 __m512i Mantissas(__m512i digitsLow, __m512i digitsHigh, __m512i lanes, __m512i point,
                             __m512i integerDigits, __m512i fractionDigits) {
  const __m512i p = _mm512_permutexvar_epi8(lanes, point);
  const __m512i f = _mm512_permutexvar_epi8(lanes, fractionDigits);
  const __m512i i = _mm512_permutexvar_epi8(lanes, integerDigits);
  const __m512i r = Load(kConstants.fromRight);
  // Place r from the right is fraction digit p + f - r, or integer digit p + f - r - 1.
  const __m512i source = _mm512_sub_epi8(_mm512_add_epi8(p, f), r);
  const __mmask64 integerPart = _mm512_cmpge_epu8_mask(r, f);
  const __m512i index = _mm512_mask_sub_epi8(source, integerPart, source, _mm512_set1_epi8(1));
  const __mmask64 inside = _mm512_cmplt_epu8_mask(r, _mm512_add_epi8(f, i));
  const __m512i gathered = _mm512_maskz_permutex2var_epi8(inside, digitsLow, index, digitsHigh);
  const __m512i pairs = _mm512_maddubs_epi16(gathered, _mm512_set1_epi16(0x010A));
  const __m512i quads = _mm512_madd_epi16(pairs, _mm512_set1_epi32(0x00010064));
  const __m512i packed = _mm512_packs_epi32(quads, quads);
  const __m512i octets = _mm512_madd_epi16(packed, _mm512_set1_epi32(0x00012710));
  return _mm512_add_epi64(_mm512_mul_epu32(octets, _mm512_set1_epi64(100000000)),
                          _mm512_srli_epi64(octets, 32));
}

uint64_t Below(int position, int word) {
  const int bits = position - 64 * word;
  if (bits <= 0) return 0;
  return bits >= 64 ? ~0ull : (1ull << bits) - 1;
}

template <int kCount>
SMD_AVX512 bool ScanLine(const char* text, size_t length, int& first, float* values) {
  static_assert(kCount >= 1 && kCount <= 8);
  const int size = static_cast<int>(length);
  const __m512i bytes[2] = {Load(text), Load(text + 64)};
  uint64_t number[2], point[2], minus[2], space[2];
  for (int w = 0; w < 2; ++w) {
    const uint64_t inside = Below(size, w);
    const __mmask64 digit =
        _mm512_cmple_epu8_mask(_mm512_sub_epi8(bytes[w], _mm512_set1_epi8('0')), _mm512_set1_epi8(9));
    point[w] = _mm512_cmpeq_epi8_mask(bytes[w], _mm512_set1_epi8('.')) & inside;
    minus[w] = _mm512_cmpeq_epi8_mask(bytes[w], _mm512_set1_epi8('-')) & inside;
    number[w] = (digit & inside) | point[w] | minus[w];
    space[w] =
        (_mm512_cmpeq_epi8_mask(bytes[w], _mm512_set1_epi8(' ')) |
         _mm512_cmple_epu8_mask(_mm512_sub_epi8(bytes[w], _mm512_set1_epi8('\t')), _mm512_set1_epi8(4))) &
        inside;
  }
  // Runs of number characters: where each starts, and the first place after each.
  const uint64_t carry = number[0] >> 63;
  const uint64_t starts[2] = {number[0] & ~(number[0] << 1), number[1] & ~((number[1] << 1) | carry)};
  const uint64_t stops[2] = {~number[0] & (number[0] << 1), ~number[1] & ((number[1] << 1) | carry)};
  bool bad = std::popcount(starts[0]) + std::popcount(starts[1]) < kCount + 1;

  // Runs alternate with the gaps between them, so the sorted starts and stops pair up: number
  // k starts at bounds[2k] and stops at bounds[2k + 1].
  const __m512i bounds = Positions(starts[0] | stops[0], starts[1] | stops[1]);
  const __m512i points = Positions(point[0], point[1]);
  alignas(16) uint8_t boundBytes[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(boundBytes), _mm512_castsi512_si128(bounds));

  // The integer, number 0: 1 to 7 digits.
  const int integerStart = boundBytes[0] & 127;
  const int integerSign = text[integerStart] == '-';
  const int digits = boundBytes[1] - integerStart - integerSign;
  bad |= (digits < 1) | (digits > 7);

  // The reals, numbers 1 to kCount, one per byte: each holds exactly one point.
  const __m512i realStart = _mm512_permutexvar_epi8(Load(kConstants.realStarts), bounds);
  const __m512i realStop = _mm512_permutexvar_epi8(Load(kConstants.realStops), bounds);
  const __mmask64 negative =
      _mm512_cmpeq_epi8_mask(_mm512_permutex2var_epi8(bytes[0], realStart, bytes[1]), _mm512_set1_epi8('-'));
  const __m512i realSign = _mm512_maskz_mov_epi8(negative, _mm512_set1_epi8(1));
  const __m512i integerDigits = _mm512_sub_epi8(_mm512_sub_epi8(points, realStart), realSign);
  const __m512i fractionDigits = _mm512_sub_epi8(_mm512_sub_epi8(realStop, points), _mm512_set1_epi8(1));
  constexpr __mmask64 kReals = (1ull << kCount) - 1;
  const __mmask64 outOfRange =
      _mm512_cmpgt_epu8_mask(integerDigits, _mm512_set1_epi8(7)) |
      _mm512_cmpgt_epu8_mask(fractionDigits, _mm512_set1_epi8(7)) |
      _mm512_cmpeq_epi8_mask(_mm512_add_epi8(integerDigits, fractionDigits), _mm512_setzero_si512());
  bad |= (outOfRange & kReals) != 0;

  const __m512i zero = _mm512_set1_epi8('0');
  const __m512i digitsLow = _mm512_sub_epi8(bytes[0], zero), digitsHigh = _mm512_sub_epi8(bytes[1], zero);
  const __m512i firstFour =
      Mantissas(digitsLow, digitsHigh, Load(kConstants.firstLanes), points, integerDigits, fractionDigits);
  const __m512i lastFour =
      Mantissas(digitsLow, digitsHigh, Load(kConstants.lastLanes), points, integerDigits, fractionDigits);
  const __m512i mantissas = _mm512_permutex2var_epi64(firstFour, Load(kConstants.evenQuads), lastFour);
  // At most 14 digits, exact in a double. Multiplying by the rounded inverse power of ten lands
  // within 2 units in the last place of the double quotient; unless that is that close to a
  // point halfway between two floats, it rounds to the same float as the quotient. Near such a
  // point the line is refused and the general scanner decides.
  const __m512d inverse = _mm512_permutexvar_pd(_mm512_cvtepu8_epi64(_mm512_castsi512_si128(fractionDigits)),
                                                _mm512_loadu_pd(kConstants.inverse));
  const __m512d product = _mm512_mul_pd(_mm512_cvtepi64_pd(mantissas), inverse);
  const __m512i offset =
      _mm512_sub_epi64(_mm512_and_si512(_mm512_castpd_si512(product), _mm512_set1_epi64((1ll << 29) - 1)),
                       _mm512_set1_epi64(1ll << 28));
  bad |= (_mm512_cmple_epu64_mask(_mm512_add_epi64(offset, _mm512_set1_epi64(8)), _mm512_set1_epi64(16)) &
          kReals) != 0;
  const __m256i magnitudes = _mm256_castps_si256(_mm512_cvtpd_ps(product));
  const __m256i reals = _mm256_mask_xor_epi32(magnitudes, static_cast<__mmask8>(negative), magnitudes,
                                              _mm256_set1_epi32(static_cast<int>(0x80000000u)));

  // Up to the end of the last number: numbers and white space only, minus signs only where a
  // number starts, and one point for each real. After it, nothing that continues a number.
  alignas(16) uint8_t stopBytes[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(stopBytes), _mm512_castsi512_si128(realStop));
  const int end = stopBytes[kCount - 1] & 127;
  int pointsBefore = 0;
  for (int w = 0; w < 2; ++w) {
    const uint64_t before = Below(end, w);
    bad |= ((~(number[w] | space[w]) | (minus[w] & ~starts[w])) & before) != 0;
    pointsBefore += std::popcount(point[w] & before);
  }
  bad |= pointsBefore != kCount;
  const char next = end < size ? static_cast<char>(text[end] | 0x20) : '\0';
  bad |= (next == 'e') | (next == 'x');
  if (bad) return false;

  uint64_t integerBytes;
  std::memcpy(&integerBytes, text + integerStart + integerSign, sizeof integerBytes);
  const auto magnitude = static_cast<int>(DigitsValue(integerBytes, digits));
  first = integerSign ? -magnitude : magnitude;
  _mm256_mask_storeu_epi32(values, static_cast<__mmask8>(kReals), reals);
  return true;
}

bool HasAvx512() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
         __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512vl") &&
         __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512vbmi2") &&
         __builtin_cpu_supports("popcnt") && __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2");
}

const bool kAvx512 = HasAvx512();

}  // namespace

bool PlainLineAvx512Available() {
  return kAvx512;
}

bool ScanPlainLineAvx512(const char* text, size_t length, int& first, float* values, int count) {
  if (!kAvx512 || length > kPlainLineLimit) return false;
  if (count == 8) return ScanLine<8>(text, length, first, values);
  if (count == 6) return ScanLine<6>(text, length, first, values);
  return false;
}

#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

#else

bool PlainLineAvx512Available() {
  return false;
}

bool ScanPlainLineAvx512(const char*, size_t, int&, float*, int) {
  return false;
}

#endif

}  // namespace smd
