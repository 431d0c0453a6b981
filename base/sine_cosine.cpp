// The kernel works on a vector of doubles, one angle per lane (a cast between the vector types
// reinterprets the bits). The build turns off floating-point contraction, so every lane is the
// same sequence of rounded operations whatever the vector's width or the instruction set.
#include "base/sine_cosine.h"

#include <cmath>
#include <cstring>
#include <initializer_list>

namespace {

template <int kLanes>
struct Lanes {
  typedef float Single __attribute__((vector_size(4 * kLanes)));
  typedef double Real __attribute__((vector_size(8 * kLanes)));
  typedef unsigned long long Bits __attribute__((vector_size(8 * kLanes)));
};

// 2/π, and π/2 as three parts: the first two hold 33 bits each, so n times either is exact for
// n < 2^20, and the three together carry π/2 to about 119 bits.
constexpr double kTwoOverPi = 0x1.45f306dc9c883p-1;
constexpr double kHalfPi1 = 0x1.921fb544p+0;
constexpr double kHalfPi2 = 0x1.0b4611a6p-34;
constexpr double kHalfPi3 = 0x1.3198a2e037073p-69;
// Adding and subtracting 1.5·2^52 rounds to the nearest integer and leaves it in the low bits.
constexpr double kRoundingShift = 0x1.8p52;
constexpr double kReducedLimit = 0x1p20;

// Taylor coefficients to r^15 for the sine and r^16 for the cosine: on |r| ≤ π/4 the first term
// left out is below 10^-16 of the sine's result and 10^-17 of the cosine's, under an ulp of a double,
// so the sums are within about two ulps of the exact values (a term fewer left 3·10^-14 and
// 1.5·10^-15 of the result, enough to round a float the wrong way).
constexpr double kSine[7] = {-1.0 / 6,        1.0 / 120,        -1.0 / 5040,         1.0 / 362880,
                             -1.0 / 39916800, 1.0 / 6227020800, -1.0 / 1307674368000};
constexpr double kCosine[8] = {-1.0 / 2,       1.0 / 24,        -1.0 / 720,         1.0 / 40320,
                               -1.0 / 3628800, 1.0 / 479001600, -1.0 / 87178291200, 1.0 / 20922789888000};

// Inlined into each loop so that the calls of a loop overlap.
template <int kLanes>
inline __attribute__((always_inline)) void Kernel(const typename Lanes<kLanes>::Real& x,
                                                  typename Lanes<kLanes>::Real& sineOut,
                                                  typename Lanes<kLanes>::Real& cosineOut) {
  using Real = typename Lanes<kLanes>::Real;
  using Bits = typename Lanes<kLanes>::Bits;
  const Real shifted = x * kTwoOverPi + kRoundingShift;
  const Real n = shifted - kRoundingShift;
  // x - n·π/2: the first subtraction is exact, and so is the second where r is small.
  const Real r = ((x - n * kHalfPi1) - n * kHalfPi2) - n * kHalfPi3;
  const Real z = r * r;

  // Horner's rule written out: the compiler leaves a loop of seven steps rolled, and vectors wider
  // than a register then go through memory at every step.
  const Real sinePoly =
      kSine[0] +
      z * (kSine[1] + z * (kSine[2] + z * (kSine[3] + z * (kSine[4] + z * (kSine[5] + z * kSine[6])))));
  const Real sine = r + r * z * sinePoly;
  const Real cosinePoly =
      kCosine[0] +
      z * (kCosine[1] +
           z * (kCosine[2] +
                z * (kCosine[3] + z * (kCosine[4] + z * (kCosine[5] + z * (kCosine[6] + z * kCosine[7]))))));
  const Real cosine = 1.0 + z * cosinePoly;

  // The quadrant n mod 4 picks sin x from s, c, -s, -c and cos x from c, -s, -c, s.
  const Bits quadrant = (Bits)shifted;
  const Bits odd = -(quadrant & 1);
  const Bits sineSign = (quadrant & 2) << 62;
  const Bits cosineSign = ((quadrant + 1) & 2) << 62;
  const Bits s = (Bits)sine, c = (Bits)cosine;
  // sin(±0) is ±0: the sum above would give +0 for -0.
  const Bits zero = (Bits)x << 1 == 0;
  const Bits picked = ((s & ~odd) | (c & odd)) ^ sineSign;
  const Bits sineBits = (picked & ~zero) | ((Bits)x & zero);
  const Bits cosineBits = ((c & ~odd) | (s & odd)) ^ cosineSign;
  sineOut = (Real)sineBits;
  cosineOut = (Real)cosineBits;
}

// kLanes angles: the kernel for all of them, then the lanes the reduction cannot serve (far out,
// infinite or NaN) from the C library's double-precision functions.
template <int kLanes>
inline __attribute__((always_inline)) void Compute(const float* angles, float* sines, float* cosines) {
  using L = Lanes<kLanes>;
  typename L::Single single;
  std::memcpy(&single, angles, sizeof single);
  typename L::Real s, c;
  Kernel<kLanes>(__builtin_convertvector(single, typename L::Real), s, c);
  single = __builtin_convertvector(s, typename L::Single);
  std::memcpy(sines, &single, sizeof single);
  single = __builtin_convertvector(c, typename L::Single);
  std::memcpy(cosines, &single, sizeof single);
  for (int k = 0; k < kLanes; ++k) {
    const double x = angles[k];
    if (std::fabs(x) < kReducedLimit) continue;
    sines[k] = static_cast<float>(std::sin(x));
    cosines[k] = static_cast<float>(std::cos(x));
  }
}

// Eight angles a step; the last step fills its spare lanes with the last angle. The loop is
// compiled once for each instruction set below, and the widest the processor has is chosen.
inline __attribute__((always_inline)) void Batch(const float* angles, int count, float* sines,
                                                 float* cosines) {
  constexpr int kStep = 8;
  int first = 0;
  for (; first + kStep <= count; first += kStep)
    Compute<kStep>(angles + first, sines + first, cosines + first);
  if (first == count) return;
  float rest[kStep], restSines[kStep], restCosines[kStep];
  for (int k = 0; k < kStep; ++k) rest[k] = angles[first + k < count ? first + k : count - 1];
  Compute<kStep>(rest, restSines, restCosines);
  std::memcpy(sines + first, restSines, sizeof(float) * static_cast<size_t>(count - first));
  std::memcpy(cosines + first, restCosines, sizeof(float) * static_cast<size_t>(count - first));
}

void BatchBaseline(const float* angles, int count, float* sines, float* cosines) {
  Batch(angles, count, sines, cosines);
}

#if defined(__x86_64__)
__attribute__((target("avx2"))) void BatchAvx2(const float* angles, int count, float* sines, float* cosines) {
  Batch(angles, count, sines, cosines);
}

__attribute__((target("avx512f"))) void BatchAvx512(const float* angles, int count, float* sines,
                                                    float* cosines) {
  Batch(angles, count, sines, cosines);
}
#endif

using BatchFunction = void (*)(const float*, int, float*, float*);

BatchFunction BatchFor(SineCosineIsa isa) {
#if defined(__x86_64__)
  __builtin_cpu_init();
  if (isa == SineCosineIsa::kAvx512) return __builtin_cpu_supports("avx512f") ? BatchAvx512 : nullptr;
  if (isa == SineCosineIsa::kAvx2) return __builtin_cpu_supports("avx2") ? BatchAvx2 : nullptr;
#endif
  return isa == SineCosineIsa::kBaseline ? BatchBaseline : nullptr;
}

BatchFunction WidestBatch() {
  for (SineCosineIsa isa : {SineCosineIsa::kAvx512, SineCosineIsa::kAvx2})
    if (BatchFunction batch = BatchFor(isa)) return batch;
  return BatchBaseline;
}

}  // namespace

void SineCosine(float angle, float& sine, float& cosine) {
  const float angles[2] = {angle, angle};
  float sines[2], cosines[2];
  Compute<2>(angles, sines, cosines);
  sine = sines[0];
  cosine = cosines[0];
}

void SineCosines(const float* angles, int count, float* sines, float* cosines) {
  static const BatchFunction batch = WidestBatch();
  if (count > 0) batch(angles, count, sines, cosines);
}

bool SineCosinesOn(SineCosineIsa isa, const float* angles, int count, float* sines, float* cosines) {
  const BatchFunction batch = BatchFor(isa);
  if (!batch) return false;
  if (count > 0) batch(angles, count, sines, cosines);
  return true;
}
