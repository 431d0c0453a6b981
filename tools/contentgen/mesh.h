// The character's triangle soup as the model file stores it: every triangle names one
// material and every vertex one bone, with bind-pose (model-space) position and normal.
// Also the smooth closed primitives the character is modelled from.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "vec_math.h"

namespace contentgen {

struct MeshVertex {
  Vec3 position, normal;
  double u = 0, v = 0;
};

struct MeshTriangle {
  int material = 0;
  int bone = 0;
  MeshVertex corners[3];  // file order
};

struct Mesh {
  std::vector<std::string> materials;  // texture file names, also the material names
  std::vector<MeshTriangle> triangles;
};

// A surface of revolution around a (possibly curved) axis, closed at both ends. The axis is a
// Catmull-Rom curve through `axis`; the cross-section is an ellipse with half-widths
// width(s) * envelope and depth(s) * envelope, where s in [0, 1] runs along the axis and the
// envelope sin(theta)^bluntness rounds the ends (1 gives an ellipsoid; lower values give
// flatter, capsule-like ends). `depth_hint` picks the direction the depth half-width points
// along; it must never be parallel to the axis.
struct LoftShape {
  std::vector<Vec3> axis;     // at least two points
  std::vector<double> width;  // half-widths, spread evenly along s and interpolated smoothly
  std::vector<double> depth;  // empty: same as width
  Vec3 depth_hint{0, -1, 0};
  double bluntness = 1.0;
  int rings = 12;  // subdivisions along the axis
  int sides = 16;  // subdivisions around it
};

void AddLoft(Mesh& mesh, const LoftShape& shape, int bone, int material);

// An ellipsoid with the given centre and half-axes along x, y, z.
void AddEllipsoid(Mesh& mesh, Vec3 centre, Vec3 radii, int bone, int material, int rings = 12,
                  int sides = 16);

// A ring around `centre` in the xy plane (an elliptical torus): ring half-axes rx, ry and
// tube radius `tube`.
void AddRing(Mesh& mesh, Vec3 centre, double rx, double ry, double tube, int bone, int material,
             int segments = 32, int tube_sides = 8);

}  // namespace contentgen
