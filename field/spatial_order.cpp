// The Morton renumbering of a piece (see spatial_order.h).
#include "field/spatial_order.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "field/counting_sort.h"

namespace field {
namespace {

// Bits a coordinate keeps: three of them fill 63 bits of the curve's key.
constexpr int kAxisBits = 21;

// x's low 21 bits spread to every third bit.
uint64_t Spread(uint64_t x) {
  x &= (uint64_t{1} << kAxisBits) - 1;
  x = (x | x << 32) & 0x1f00000000ffffULL;
  x = (x | x << 16) & 0x1f0000ff0000ffULL;
  x = (x | x << 8) & 0x100f00f00f00f00fULL;
  x = (x | x << 4) & 0x10c30c30c30c30c3ULL;
  x = (x | x << 2) & 0x1249249249249249ULL;
  return x;
}

}  // namespace

FieldPiece InSpatialOrder(const FieldPiece& piece) {
  const size_t n = piece.positions.size();
  Vec3 low{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
           std::numeric_limits<double>::infinity()};
  Vec3 high{-low.x, -low.y, -low.z};
  for (const Vec3& p : piece.positions) {
    low = {std::min(low.x, p.x), std::min(low.y, p.y), std::min(low.z, p.z)};
    high = {std::max(high.x, p.x), std::max(high.y, p.y), std::max(high.z, p.z)};
  }
  const double extent = std::max({high.x - low.x, high.y - low.y, high.z - low.z});
  const double scale = extent > 0 && std::isfinite(extent) ? ((1 << kAxisBits) - 1) / extent : 0;
  const auto cell = [scale](double d) {
    return static_cast<uint64_t>(std::clamp(d * scale, 0.0, double{(1 << kAxisBits) - 1}));
  };
  // Equal keys keep the vertices' order.
  std::vector<std::pair<uint64_t, int>> keyed(n);
  for (size_t v = 0; v < n; ++v) {
    const Vec3& p = piece.positions[v];
    keyed[v] = {Spread(cell(p.x - low.x)) | Spread(cell(p.y - low.y)) << 1 | Spread(cell(p.z - low.z)) << 2,
                static_cast<int>(v)};
  }
  std::sort(keyed.begin(), keyed.end());
  FieldPiece out;
  out.positions.resize(n);
  std::vector<int> renumbered(n);
  for (size_t i = 0; i < n; ++i) {
    renumbered[keyed[i].second] = static_cast<int>(i);
    out.positions[i] = piece.positions[keyed[i].second];
  }
  struct Listed {
    std::array<int, 3> tri;
    int source;
    uint8_t rotation;
  };
  std::vector<Listed> listed(piece.triangles.size()), scratch;
  for (size_t t = 0; t < listed.size(); ++t) {
    const auto& tri = piece.triangles[t];
    listed[t] = {
        {renumbered[tri[0]], renumbered[tri[1]], renumbered[tri[2]]}, piece.sources[t], piece.rotations[t]};
  }
  std::vector<int> start(n + 1);
  CountingPass(listed, scratch, start, [](const Listed& l) {
    return std::min({l.tri[0], l.tri[1], l.tri[2]});
  });
  out.triangles.resize(listed.size());
  out.sources.resize(listed.size());
  out.rotations.resize(listed.size());
  for (size_t t = 0; t < listed.size(); ++t) {
    out.triangles[t] = listed[t].tri;
    out.sources[t] = listed[t].source;
    out.rotations[t] = listed[t].rotation;
  }
  return out;
}

}  // namespace field
