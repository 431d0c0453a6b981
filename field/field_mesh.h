// The mesh the stroke field is solved on: triangle soup corners welded by position, degenerate
// triangles left out, and the rest split into pieces joined across manifold edges only.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace field {

struct Vec3 {
  double x = 0, y = 0, z = 0;
};

// One connected piece with its own vertices: a vertex shared by two pieces is two vertices.
struct FieldPiece {
  std::vector<Vec3> positions;
  std::vector<std::array<int, 3>> triangles;
  // The input triangle each triangle came from, and where its corners start there: corner k
  // here is corner (k + rotations[t]) % 3 of the input triangle.
  std::vector<int> sources;
  std::vector<uint8_t> rotations;

  int SourceCorner(size_t t, int k) const { return (k + rotations[t]) % 3; }
};

struct WeldedMesh {
  std::vector<FieldPiece> pieces;
  // Input triangles left out: a corner not finite, two corners welded, no area or a needle.
  std::vector<int> dropped;
};

// `corners` holds 9 floats a triangle (three corners' x, y, z). Corners at the same position
// (bit for bit, -0 as 0) become one vertex. Vertices are numbered in the order of their
// positions and triangles listed in the order of their vertices, so that the pieces, and all
// that is solved on them, do not depend on the order of the input's triangles and corners.
WeldedMesh WeldAndSplit(std::span<const float> corners);

inline Vec3 operator-(const Vec3& a, const Vec3& b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 operator+(const Vec3& a, const Vec3& b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator*(double s, const Vec3& a) {
  return {s * a.x, s * a.y, s * a.z};
}
inline double Dot(const Vec3& a, const Vec3& b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3 Cross(const Vec3& a, const Vec3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

}  // namespace field
