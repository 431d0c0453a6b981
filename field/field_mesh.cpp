// Welding, cleaning and splitting into pieces (see field_mesh.h).
#include "field/field_mesh.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>
#include <tuple>

#include "field/counting_sort.h"
#include "field/triangle_sides.h"

namespace field {
namespace {

// Thinner than this (shortest height over longest side) and cotangent weights blow up.
constexpr double kNeedleRatio = 1e-4;

// A corner's position as three unsigned keys that order as the coordinates do (-0 as 0), and
// the corner's number (3 t + k) it came from.
struct CornerKey {
  uint32_t key[3];
  int corner;
};

uint32_t Ordered(float f) {
  if (f == 0.0f) f = 0.0f;
  uint32_t bits;
  std::memcpy(&bits, &f, sizeof bits);
  return bits & 0x80000000u ? ~bits : bits | 0x80000000u;
}

float Unordered(uint32_t key) {
  const uint32_t bits = key & 0x80000000u ? key & 0x7fffffffu : ~key;
  float f;
  std::memcpy(&f, &bits, sizeof f);
  return f;
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

// Starts each triangle at its lowest vertex, keeping its winding, and sorts the triangles (their
// vertices are numbered in the order of their positions); `rotations` records where each now
// starts in its input triangle.
void Canonicalise(size_t vertices, std::vector<std::array<int, 3>>& triangles, std::vector<int>& sources,
                  std::vector<uint8_t>& rotations) {
  struct Listed {
    std::array<int, 3> tri;
    int source;
    uint8_t start;
  };
  std::vector<Listed> listed(triangles.size()), scratch;
  for (size_t t = 0; t < triangles.size(); ++t) {
    std::array<int, 3> tri = triangles[t];
    const auto start = static_cast<uint8_t>(std::min_element(tri.begin(), tri.end()) - tri.begin());
    std::rotate(tri.begin(), tri.begin() + start, tri.end());
    listed[t] = {tri, sources[t], start};
  }
  // Equal triangles (the same corners twice) keep the input's order between them.
  std::vector<int> buckets(vertices + 1);
  for (int k = 2; k >= 0; --k)
    CountingPass(listed, scratch, buckets, [k](const Listed& l) { return l.tri[k]; });
  rotations.resize(triangles.size());
  for (size_t t = 0; t < listed.size(); ++t)
    triangles[t] = listed[t].tri, sources[t] = listed[t].source, rotations[t] = listed[t].start;
}

// Welds the corners of the triangles whose corners are all finite (and those before the first
// that is not, which no triangle uses): vertices numbered in the order of their positions, each
// at its first corner's position. `vertexOf[3 t + k]` is corner k of triangle t's vertex.
void Weld(std::span<const float> corners, std::vector<Vec3>& positions, std::vector<int>& vertexOf) {
  const size_t count = corners.size() / 3;
  std::vector<CornerKey> keys, scratch;
  keys.reserve(count);
  for (size_t c = 0; c < count; ++c) {
    const float* p = &corners[3 * c];
    if (!std::isfinite(p[0]) || !std::isfinite(p[1]) || !std::isfinite(p[2])) {
      c += 2 - c % 3;  // the rest of the triangle
      continue;
    }
    keys.push_back({{Ordered(p[0]), Ordered(p[1]), Ordered(p[2])}, static_cast<int>(c)});
  }
  // By x in two stable passes, lower half first; then each run of equal x, mostly one vertex's
  // few corners, by y, z and the corner's number, which keeps the order of equal positions as
  // they came. Four of the six passes that y and z would take, each scattering the corners
  // over 65,536 places, are what the weld of a large mesh waited for.
  std::vector<int> start((1u << 16) + 1);
  CountingPass(keys, scratch, start, [](const CornerKey& k) { return k.key[0] & 0xffffu; });
  CountingPass(keys, scratch, start, [](const CornerKey& k) { return k.key[0] >> 16; });
  const auto byRest = [](const CornerKey& a, const CornerKey& b) {
    return std::tie(a.key[1], a.key[2], a.corner) < std::tie(b.key[1], b.key[2], b.corner);
  };
  for (size_t i = 0; i < keys.size();) {
    size_t end = i + 1;
    while (end < keys.size() && keys[end].key[0] == keys[i].key[0]) ++end;
    if (end - i > 1)
      std::sort(keys.begin() + static_cast<std::ptrdiff_t>(i), keys.begin() + static_cast<std::ptrdiff_t>(end),
                byRest);
    i = end;
  }
  vertexOf.assign(count, -1);
  for (size_t i = 0; i < keys.size(); ++i) {
    const CornerKey& k = keys[i];
    if (i == 0 || !std::equal(k.key, k.key + 3, keys[i - 1].key)) {
      // The key holds the position but for the sign of a zero, which the corner keeps.
      const float x = Unordered(k.key[0]), y = Unordered(k.key[1]), z = Unordered(k.key[2]);
      const float* p = x == 0 || y == 0 || z == 0 ? &corners[3 * static_cast<size_t>(k.corner)] : nullptr;
      positions.push_back({p ? p[0] : x, p ? p[1] : y, p ? p[2] : z});
    }
    vertexOf[k.corner] = static_cast<int>(positions.size() - 1);
  }
}

}  // namespace

WeldedMesh WeldAndSplit(std::span<const float> corners) {
  WeldedMesh result;
  const size_t triangleCount = corners.size() / 9;
  std::vector<Vec3> positions;
  std::vector<int> vertexOf;
  Weld(corners.first(9 * triangleCount), positions, vertexOf);
  std::vector<std::array<int, 3>> triangles;
  std::vector<int> sources;
  for (size_t t = 0; t < triangleCount; ++t) {
    const std::array<int, 3> v = {vertexOf[3 * t], vertexOf[3 * t + 1], vertexOf[3 * t + 2]};
    // The corners' own values differ from their vertices' at most in the sign of a zero, which
    // the test squares away, and are read in order.
    const float* p = &corners[9 * t];
    if (v[0] < 0 || v[1] < 0 || v[2] < 0 || v[0] == v[1] || v[1] == v[2] || v[2] == v[0] ||
        !Usable({p[0], p[1], p[2]}, {p[3], p[4], p[5]}, {p[6], p[7], p[8]})) {
      result.dropped.push_back(static_cast<int>(t));
      continue;
    }
    triangles.push_back(v);
    sources.push_back(static_cast<int>(t));
  }
  std::vector<uint8_t> rotations;
  Canonicalise(positions.size(), triangles, sources, rotations);

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
