// A stable counting pass over the lower ends, then each lower end's few sides by their higher end
// (see triangle_sides.h): linear in the sides, which a large piece has by the hundred thousand.
#include "field/triangle_sides.h"

#include <algorithm>

#include "field/counting_sort.h"

namespace field {

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
  CountingPassThenSort(
      sides, swapped, start, [](const auto& side) { return side.first >> 32; },
      [](const auto& x, const auto& y) { return x.first < y.first; });
  return sides;
}

}  // namespace field
