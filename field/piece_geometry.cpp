// Frames, connection, cotangent weights and areas of a piece (see piece_geometry.h).
#include "field/piece_geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "field/triangle_sides.h"

namespace field {
namespace {

// Cotangent weights are clamped to this range: obtuse and thin triangles would otherwise give
// negative or huge weights and an indefinite or ill-conditioned system.
constexpr double kMinWeight = 1e-3, kMaxWeight = 1e3;

Vec3 Normalised(const Vec3& v, const Vec3& fallback) {
  const double n = std::sqrt(Dot(v, v));
  return n > 0 && std::isfinite(n) ? (1.0 / n) * v : fallback;
}

// Any unit vector at right angles to the unit vector n.
Vec3 Perpendicular(const Vec3& n) {
  const Vec3 axis = std::abs(n.x) < 0.6 ? Vec3{1, 0, 0} : Vec3{0, 1, 0};
  return Normalised(Cross(n, axis), Vec3{0, 0, 1});
}

double AngleIn(const PieceGeometry& g, int v, const Vec3& d) {
  return std::atan2(Dot(d, g.basisY[v]), Dot(d, g.basisX[v]));
}

double Cotangent(const Vec3& u, const Vec3& w) {
  const Vec3 c = Cross(u, w);
  const double s = std::sqrt(Dot(c, c));
  return s > 0 ? Dot(u, w) / s : kMaxWeight;
}

}  // namespace

double PieceEdge::Transport() const {
  return angleAtB + std::numbers::pi - angleAtA;
}

PieceGeometry MeasurePiece(const FieldPiece& piece) {
  PieceGeometry g;
  const size_t vertexCount = piece.positions.size(), triangleCount = piece.triangles.size();
  g.normals.assign(vertexCount, Vec3{});
  g.masses.assign(vertexCount, 0.0);
  std::vector<Vec3> faceNormals(triangleCount);
  for (size_t t = 0; t < triangleCount; ++t) {
    const auto& tri = piece.triangles[t];
    const Vec3& p0 = piece.positions[tri[0]];
    const Vec3 n = Cross(piece.positions[tri[1]] - p0, piece.positions[tri[2]] - p0);
    const double area = 0.5 * std::sqrt(Dot(n, n));
    faceNormals[t] = Normalised(n, Vec3{0, 0, 1});
    g.area += area;
    for (int v : tri) {
      g.normals[v] = g.normals[v] + n;
      g.masses[v] += area / 3;
    }
  }
  // A vertex whose faces cancel (folded over) keeps some normal; one with no area some mass.
  const double minMass = 1e-9 * g.area / std::max<size_t>(vertexCount, 1) + 1e-300;
  for (size_t v = 0; v < vertexCount; ++v) {
    g.masses[v] = std::max(g.masses[v], minMass);
  }

  // Edges from the sorted sides of the triangles; the first side met orders the edge's ends.
  const std::vector<std::pair<uint64_t, int>> sides = SortedSides(piece.triangles, vertexCount);
  g.triangleEdges.assign(triangleCount, {0, 0, 0});
  for (size_t s = 0; s < sides.size();) {
    size_t e = s;
    const int edge = static_cast<int>(g.edges.size());
    PieceEdge& out = g.edges.emplace_back();
    out.a = static_cast<int>(sides[s].first >> 32);
    out.b = static_cast<int>(sides[s].first & 0xffffffffu);
    int faces[2] = {-1, -1}, count = 0;
    for (; e < sides.size() && sides[e].first == sides[s].first; ++e) {
      const int t = sides[e].second / 3, k = sides[e].second % 3;
      g.triangleEdges[t][k] = edge;
      if (count < 2) faces[count] = t;
      ++count;
      // The cotangent of the corner opposite this side.
      const auto& tri = piece.triangles[t];
      const Vec3& o = piece.positions[tri[(k + 2) % 3]];
      out.weight += 0.5 * Cotangent(piece.positions[tri[k]] - o, piece.positions[tri[(k + 1) % 3]] - o);
    }
    out.weight = std::clamp(out.weight, kMinWeight, kMaxWeight);
    if (count == 2) {
      // Convex where the second face's far corner lies below the first face's plane.
      const Vec3 &n0 = faceNormals[faces[0]], &n1 = faceNormals[faces[1]];
      const auto& tri1 = piece.triangles[faces[1]];
      int far = tri1[0];
      for (int v : tri1)
        if (v != out.a && v != out.b) far = v;
      const double bend = std::acos(std::clamp(Dot(n0, n1), -1.0, 1.0));
      out.dihedral = Dot(n0, piece.positions[far] - piece.positions[out.a]) < 0 ? bend : -bend;
    }
    s = e;
  }

  g.basisX.assign(vertexCount, Vec3{});
  g.basisY.assign(vertexCount, Vec3{});
  std::vector<char> haveX(vertexCount, 0);
  for (size_t v = 0; v < vertexCount; ++v) g.normals[v] = Normalised(g.normals[v], Vec3{0, 0, 1});
  // Each vertex's x axis: its first edge, flattened into the tangent plane.
  for (PieceEdge& e : g.edges) {
    const Vec3 d = piece.positions[e.b] - piece.positions[e.a];
    e.length = std::sqrt(Dot(d, d));
    for (int v : {e.a, e.b}) {
      if (haveX[v]) continue;
      const Vec3& n = g.normals[v];
      const Vec3 flat = d - Dot(d, n) * n;
      g.basisX[v] = Normalised(flat, Perpendicular(n));
      haveX[v] = 1;
    }
  }
  for (size_t v = 0; v < vertexCount; ++v) {
    if (!haveX[v]) g.basisX[v] = Perpendicular(g.normals[v]);
    g.basisY[v] = Cross(g.normals[v], g.basisX[v]);
  }
  for (PieceEdge& e : g.edges) {
    const Vec3 d = piece.positions[e.b] - piece.positions[e.a];
    e.angleAtA = AngleIn(g, e.a, d);
    e.angleAtB = AngleIn(g, e.b, -1.0 * d);
  }
  return g;
}

}  // namespace field
