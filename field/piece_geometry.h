// What the solvers need to know of a piece: a tangent frame at every vertex, the edges with
// their cotangent weights, the angles that carry a direction from one end's frame to the other's
// (the discrete connection), the dihedral angles, and the vertices' shares of the area.
#pragma once

#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "field/field_mesh.h"

namespace field {

// An angle moved by whole turns into [-pi, pi].
inline double WrapAngle(double angle) {
  return angle - 2 * std::numbers::pi * std::round(angle / (2 * std::numbers::pi));
}

struct PieceEdge {
  int a = 0, b = 0;
  double weight = 0;
  double length = 0;
  // Direction of a->b in a's frame, and of b->a in b's frame.
  double angleAtA = 0, angleAtB = 0;
  // Signed bend across the edge: positive where the surface is convex; 0 on a border.
  double dihedral = 0;
  // A direction at angle phi in a's frame is phi + transport in b's frame.
  double Transport() const;
};

struct PieceGeometry {
  std::vector<Vec3> normals, basisX, basisY;
  std::vector<double> masses;
  std::vector<PieceEdge> edges;
  // Edge of side k (corner k to corner k + 1) of every triangle.
  std::vector<std::array<int, 3>> triangleEdges;
  double area = 0;
};

PieceGeometry MeasurePiece(const FieldPiece& piece);

}  // namespace field
