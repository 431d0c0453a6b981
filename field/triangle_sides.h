// The sides of a list of triangles, ordered by the edge they lie on: how the welding finds which
// triangles meet, and the piece's geometry its edges.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace field {

// One entry a side, side k of triangle t (corner k to corner k + 1) numbered 3 t + k, with its
// edge's key: the lower vertex in the high 32 bits, the higher in the low ones. Sorted by key,
// then by number, as std::sort would order the pairs. `vertices` bounds the vertex numbers.
std::vector<std::pair<uint64_t, int>> SortedSides(const std::vector<std::array<int, 3>>& triangles,
                                                  size_t vertices);

}  // namespace field
