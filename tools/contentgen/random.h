// Seeded pseudo-random numbers, so every run of the generator writes identical bytes.
// SplitMix64: tiny, fast and of good enough quality for stroke placement and texture grain.
#pragma once

#include <cstdint>

namespace contentgen {

class Random {
 public:
  explicit Random(uint64_t seed) : state_(seed) {}

  uint64_t NextBits() {
    uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
  }

  // Uniform in [0, 1).
  double Uniform() { return static_cast<double>(NextBits() >> 11) * (1.0 / 9007199254740992.0); }
  double Uniform(double lo, double hi) { return lo + (hi - lo) * Uniform(); }

 private:
  uint64_t state_;
};

// Stateless hash of integer coordinates to [0, 1), for grain and noise lattices.
inline double HashToUnit(uint32_t x, uint32_t y, uint32_t seed) {
  uint64_t h = (static_cast<uint64_t>(x) * 0x8DA6B343u) ^ (static_cast<uint64_t>(y) * 0xD8163841u) ^
               (static_cast<uint64_t>(seed) * 0xCB1AB31Fu);
  h ^= h >> 29;
  h *= 0xBF58476D1CE4E5B9ull;
  h ^= h >> 32;
  return static_cast<double>(h & 0xFFFFFF) / 16777216.0;
}

}  // namespace contentgen
