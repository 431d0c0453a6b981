// Two stable counting passes over the vertex numbers, higher end then lower (see triangle_sides.h):
// linear in the sides, where a comparison sort of a 200,000-triangle piece's sides was a large
// share of welding and measuring it.
#include "field/triangle_sides.h"

#include <algorithm>

namespace field {
namespace {

// Moves `from` into `to`, stably ordered by `end` of each entry's key.
template <typename End>
void CountingPass(const std::vector<std::pair<uint64_t, int>>& from,
                  std::vector<std::pair<uint64_t, int>>& to, std::vector<int>& start, const End& end) {
  std::fill(start.begin(), start.end(), 0);
  for (const auto& side : from) ++start[end(side.first) + 1];
  for (size_t v = 1; v < start.size(); ++v) start[v] += start[v - 1];
  for (const auto& side : from) to[start[end(side.first)]++] = side;
}

}  // namespace

std::vector<std::pair<uint64_t, int>> SortedSides(const std::vector<std::array<int, 3>>& triangles,
                                                  size_t vertices) {
  std::vector<std::pair<uint64_t, int>> sides(3 * triangles.size()), swapped(sides.size());
  for (size_t t = 0; t < triangles.size(); ++t)
    for (int k = 0; k < 3; ++k) {
      const uint64_t a = static_cast<uint32_t>(triangles[t][k]),
                     b = static_cast<uint32_t>(triangles[t][(k + 1) % 3]);
      sides[3 * t + k] = {std::min(a, b) << 32 | std::max(a, b), static_cast<int>(3 * t + k)};
    }
  std::vector<int> start(vertices + 1);
  CountingPass(sides, swapped, start, [](uint64_t key) { return key & 0xffffffffu; });
  CountingPass(swapped, sides, start, [](uint64_t key) { return key >> 32; });
  return sides;
}

}  // namespace field
