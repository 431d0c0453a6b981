// One stable counting pass over the lower ends, then each lower end's few sides sorted by their
// higher end (see triangle_sides.h): linear in the sides, which a large piece has by the hundred
// thousand.
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
  CountingPass(sides, swapped, start, [](const auto& side) { return side.first >> 32; });
  // A vertex's sides are as many as its triangles, a handful but for a fan's hub.
  for (size_t i = 0; i < sides.size();) {
    size_t end = i + 1;
    while (end < sides.size() && sides[end].first >> 32 == sides[i].first >> 32) ++end;
    if (end - i > 1)
      std::sort(sides.begin() + static_cast<std::ptrdiff_t>(i), sides.begin() + static_cast<std::ptrdiff_t>(end));
    i = end;
  }
  return sides;
}

}  // namespace field
