// Welding, cleaning and splitting into pieces (see field_mesh.h).
#include "field/field_mesh.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
#include <tuple>
#include <unordered_map>

#include "field/triangle_sides.h"

namespace field {
namespace {

// Thinner than this (shortest height over longest side) and cotangent weights blow up.
constexpr double kNeedleRatio = 1e-4;

struct PositionKey {
  uint32_t bits[3];
  bool operator==(const PositionKey& o) const {
    return bits[0] == o.bits[0] && bits[1] == o.bits[1] && bits[2] == o.bits[2];
  }
};
struct PositionHash {
  size_t operator()(const PositionKey& k) const {
    uint64_t h = 1469598103934665603ull;
    for (uint32_t b : k.bits) h = (h ^ b) * 1099511628211ull;
    return static_cast<size_t>(h ^ (h >> 29));
  }
};

PositionKey KeyOf(const float* p) {
  PositionKey key;
  for (int c = 0; c < 3; ++c) {
    const float v = p[c] == 0.0f ? 0.0f : p[c];
    std::memcpy(&key.bits[c], &v, sizeof v);
  }
  return key;
}

bool Usable(const Vec3& a, const Vec3& b, const Vec3& c) {
  const Vec3 n = Cross(b - a, c - a);
  const double twiceArea = std::sqrt(Dot(n, n));
  const double longest = std::max({Dot(b - a, b - a), Dot(c - b, c - b), Dot(a - c, a - c)});
  return twiceArea > 0 && std::isfinite(twiceArea) && twiceArea >= kNeedleRatio * longest;
}

int Find(std::vector<int>& parent, int x) {
  while (parent[x] != x) x = parent[x] = parent[parent[x]];
  return x;
}

// Renumbers the vertices by position (distinct keys are distinct positions, so the order is
// strict), starts each triangle at its lowest vertex, keeping its winding, and sorts the
// triangles; `rotations` records where each now starts in its input triangle.
void Canonicalise(std::vector<Vec3>& positions, std::vector<std::array<int, 3>>& triangles,
                  std::vector<int>& sources, std::vector<uint8_t>& rotations) {
  std::vector<int> byPosition(positions.size()), rank(positions.size());
  std::iota(byPosition.begin(), byPosition.end(), 0);
  std::sort(byPosition.begin(), byPosition.end(), [&](int a, int b) {
    const Vec3 &p = positions[a], &q = positions[b];
    return std::tie(p.x, p.y, p.z) < std::tie(q.x, q.y, q.z);
  });
  std::vector<Vec3> sorted(positions.size());
  for (size_t r = 0; r < byPosition.size(); ++r)
    rank[byPosition[r]] = static_cast<int>(r), sorted[r] = positions[byPosition[r]];
  positions.swap(sorted);
  std::vector<int> order(triangles.size());
  std::vector<uint8_t> start(triangles.size());
  for (size_t t = 0; t < triangles.size(); ++t) {
    std::array<int, 3>& tri = triangles[t];
    for (int& v : tri) v = rank[v];
    start[t] = static_cast<uint8_t>(std::min_element(tri.begin(), tri.end()) - tri.begin());
    std::rotate(tri.begin(), tri.begin() + start[t], tri.end());
    order[t] = static_cast<int>(t);
  }
  // Equal triangles (the same corners twice) keep the input's order between them.
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return triangles[a] < triangles[b]; });
  std::vector<std::array<int, 3>> listed(triangles.size());
  std::vector<int> listedSources(triangles.size());
  rotations.resize(triangles.size());
  for (size_t k = 0; k < order.size(); ++k)
    listed[k] = triangles[order[k]], listedSources[k] = sources[order[k]], rotations[k] = start[order[k]];
  triangles.swap(listed);
  sources.swap(listedSources);
}

}  // namespace

WeldedMesh WeldAndSplit(std::span<const float> corners) {
  WeldedMesh result;
  const size_t triangleCount = corners.size() / 9;
  std::unordered_map<PositionKey, int, PositionHash> ids;
  ids.reserve(triangleCount * 3 / 2 + 1);
  std::vector<Vec3> positions;
  std::vector<std::array<int, 3>> triangles;
  std::vector<int> sources;
  for (size_t t = 0; t < triangleCount; ++t) {
    std::array<int, 3> v{};
    bool finite = true;
    for (int k = 0; k < 3; ++k) {
      const float* p = &corners[9 * t + 3 * k];
      finite = finite && std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]);
      if (!finite) break;
      const auto [it, added] = ids.try_emplace(KeyOf(p), static_cast<int>(positions.size()));
      if (added) positions.push_back({p[0], p[1], p[2]});
      v[k] = it->second;
    }
    if (!finite || v[0] == v[1] || v[1] == v[2] || v[2] == v[0] ||
        !Usable(positions[v[0]], positions[v[1]], positions[v[2]])) {
      result.dropped.push_back(static_cast<int>(t));
      continue;
    }
    triangles.push_back(v);
    sources.push_back(static_cast<int>(t));
  }
  std::vector<uint8_t> rotations;
  Canonicalise(positions, triangles, sources, rotations);

  // Half-edges sorted by their undirected key: an edge with exactly two sides, running opposite
  // ways, joins its triangles; any other edge is a border of its triangles' pieces.
  const size_t n = triangles.size();
  const std::vector<std::pair<uint64_t, int>> sides = SortedSides(triangles, positions.size());
  std::vector<int> parent(n);
  std::iota(parent.begin(), parent.end(), 0);
  for (size_t s = 0; s < sides.size();) {
    size_t e = s;
    while (e < sides.size() && sides[e].first == sides[s].first) ++e;
    if (e - s == 2) {
      const int h0 = sides[s].second, h1 = sides[s + 1].second;
      const int t0 = h0 / 3, t1 = h1 / 3;
      if (triangles[t0][h0 % 3] != triangles[t1][h1 % 3]) parent[Find(parent, t0)] = Find(parent, t1);
    }
    s = e;
  }

  std::vector<int> pieceOf(n, -1);
  for (size_t t = 0; t < n; ++t) {
    const int root = Find(parent, static_cast<int>(t));
    if (pieceOf[root] < 0) {
      pieceOf[root] = static_cast<int>(result.pieces.size());
      result.pieces.emplace_back();
    }
    FieldPiece& piece = result.pieces[pieceOf[root]];
    piece.triangles.push_back(triangles[t]);
    piece.sources.push_back(sources[t]);
    piece.rotations.push_back(rotations[t]);
  }
  // Each piece numbers its own vertices; the marks of one piece are cleared before the next.
  std::vector<int> local(positions.size(), -1);
  std::vector<int> used;
  for (FieldPiece& piece : result.pieces) {
    used.clear();
    for (auto& tri : piece.triangles)
      for (int& v : tri) {
        if (local[v] < 0) {
          local[v] = static_cast<int>(piece.positions.size());
          piece.positions.push_back(positions[v]);
          used.push_back(v);
        }
        v = local[v];
      }
    for (int v : used) local[v] = -1;
  }
  return result;
}

}  // namespace field
