// Every float of a range through SineCosine and each instruction set's SineCosines, against the C
// library's double sine and cosine rounded to float. By default the floats of ±[0.5, 8), 67 million
// angles; HATCHING_SWEEP_FROM and HATCHING_SWEEP_TO (decimal or hex floats, 0 ≤ from < to) sweep
// ±[from, to) instead, and HATCHING_SWEEP_STRIDE takes every n-th float.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "base/sine_cosine.h"

namespace {

float FromEnvironment(const char* name, float otherwise) {
  const char* text = std::getenv(name);
  return text ? std::strtof(text, nullptr) : otherwise;
}

uint32_t StrideFromEnvironment() {
  const char* text = std::getenv("HATCHING_SWEEP_STRIDE");
  return text ? static_cast<uint32_t>(std::strtoul(text, nullptr, 10)) : 1;
}

uint32_t Bits(float f) {
  uint32_t u;
  std::memcpy(&u, &f, sizeof u);
  return u;
}

float FromBits(uint32_t u) {
  float f;
  std::memcpy(&f, &u, sizeof f);
  return f;
}

TEST(SineCosineSweep, EveryFloatOfTheRangeIsTheDoubleValueRoundedOnce) {
  const float from = FromEnvironment("HATCHING_SWEEP_FROM", 0.5f);
  const float to = FromEnvironment("HATCHING_SWEEP_TO", 8.0f);
  const uint32_t stride = StrideFromEnvironment();
  ASSERT_TRUE(0.0f <= from && from < to && stride >= 1);
  const SineCosineIsa sets[] = {SineCosineIsa::kBaseline, SineCosineIsa::kAvx2, SineCosineIsa::kAvx512};
  const char* const names[] = {"one at a time", "baseline", "AVX2", "AVX-512"};
  long long checked = 0, mismatches[4] = {};
  bool available[4] = {true, true, true, true};
  constexpr size_t kChunk = 4096;
  std::vector<float> angles(kChunk), sines(kChunk), cosines(kChunk), s(kChunk), c(kChunk);
  const auto start = std::chrono::steady_clock::now();
  for (float sign : {1.0f, -1.0f}) {
    for (uint64_t bits = Bits(from); bits < Bits(to);) {
      size_t count = 0;
      for (; count < kChunk && bits < Bits(to); bits += stride)
        angles[count++] = sign * FromBits(static_cast<uint32_t>(bits));
      for (size_t k = 0; k < count; ++k) {
        sines[k] = static_cast<float>(std::sin(static_cast<double>(angles[k])));
        cosines[k] = static_cast<float>(std::cos(static_cast<double>(angles[k])));
      }
      for (int set = 0; set < 4; ++set) {
        if (set == 0)
          for (size_t k = 0; k < count; ++k) SineCosine(angles[k], s[k], c[k]);
        else if (!SineCosinesOn(sets[set - 1], angles.data(), static_cast<int>(count), s.data(), c.data()))
          available[set] = false;
        if (!available[set]) continue;
        for (size_t k = 0; k < count; ++k) {
          if (Bits(s[k]) == Bits(sines[k]) && Bits(c[k]) == Bits(cosines[k])) continue;
          if (++mismatches[set] <= 10)
            ADD_FAILURE() << names[set] << std::hexfloat << ": angle " << angles[k] << " gives " << s[k]
                          << ", " << c[k] << " for " << sines[k] << ", " << cosines[k];
        }
      }
      checked += static_cast<long long>(count);
    }
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%lld angles in ±[%a, %a), %.1f s\n", checked, from, to, seconds);
  for (int set = 0; set < 4; ++set) {
    if (available[set])
      std::printf("  %-13s %lld mismatches\n", names[set], mismatches[set]);
    else
      std::printf("  %-13s not available\n", names[set]);
  }
  for (int set = 0; set < 4; ++set) EXPECT_EQ(mismatches[set], 0) << names[set];
}

}  // namespace
