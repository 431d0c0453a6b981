// Tessellation of the character's primitives. Normals come from the exact surface (central
// differences of its parametrisation), so they are smooth across each part; the poles of a
// loft take the axis direction. Triangles are wound so that (b - a) x (c - a) points into the
// part: counter-clockwise seen from outside in the model's left-handed space, which the viewer
// turns into Direct3D's clockwise front faces when it reverses the order.
//
// Texture coordinates run around a part (u) and along it (v) at the same density everywhere:
// the viewer repeats the hatching textures ten times per unit of uv, and one repeat covers
// 48 model units, about a hundred pixels from the start camera, so strokes read as single
// pencil lines rather than grain, and are the same size on the torso and on a finger. Around a
// closed loop, u runs out from a seam line and back to it (a fold rather than a jump), so the
// strokes that run around a part meet themselves at the seam and continue across it whatever
// the loop's length. The fold is turned to face away from the camera (the character's back,
// +y, or underneath where a part points backwards); the turning point lies opposite.
#include "mesh.h"

#include <algorithm>
#include <cmath>

namespace contentgen {
namespace {

using SurfaceFn = std::function<Vec3(double, double)>;  // (a, b) -> point

constexpr double kHatchRepeatsPerUv = 10;  // the viewer's tiling factor
constexpr double kHatchSpan = 48;          // model units one repeat should cover

// Range of uv to give a path `extent` model units long (kept within the file's 0..1).
double UvRange(double extent) {
  return std::min(1.0, extent / (kHatchSpan * kHatchRepeatsPerUv));
}

// Where the u seam should go: behind the character, a little downwards.
const Vec3 kSeamSide = Normalize(Vec3{0, 1, -0.3});

// Longest closed loop around (fixed a, b over [0, 2pi]) and longest path along (fixed b,
// a over [a0, a1]) of a surface, measured on a coarse polyline.
void MeasureSurface(const SurfaceFn& f, double a0, double a1, double& around, double& along) {
  constexpr int kSteps = 24;
  around = along = 0;
  for (int i = 0; i <= kSteps; ++i) {
    double loop = 0, path = 0;
    const double a = a0 + (a1 - a0) * i / kSteps, b = 2 * kPi * i / kSteps;
    for (int k = 0; k < kSteps; ++k) {
      loop += Length(f(a, 2 * kPi * (k + 1) / kSteps) - f(a, 2 * kPi * k / kSteps));
      path += Length(f(a0 + (a1 - a0) * (k + 1) / kSteps, b) - f(a0 + (a1 - a0) * k / kSteps, b));
    }
    around = std::max(around, loop);
    along = std::max(along, path);
  }
}

double Smooth(const std::vector<double>& keys, double s) {
  if (keys.size() == 1) return keys[0];
  const double f = std::clamp(s, 0.0, 1.0) * static_cast<double>(keys.size() - 1);
  const size_t i = std::min(static_cast<size_t>(f), keys.size() - 2);
  const double t = f - static_cast<double>(i);
  const double e = t * t * (3 - 2 * t);
  return keys[i] + (keys[i + 1] - keys[i]) * e;
}

Vec3 CatmullRom(const std::vector<Vec3>& p, double s) {
  const size_t n = p.size();
  const double f = std::clamp(s, 0.0, 1.0) * static_cast<double>(n - 1);
  const size_t i = std::min(static_cast<size_t>(f), n - 2);
  const double t = f - static_cast<double>(i);
  const Vec3 p1 = p[i], p2 = p[i + 1];
  const Vec3 p0 = i > 0 ? p[i - 1] : p1 * 2.0 - p2;
  const Vec3 p3 = i + 2 < n ? p[i + 2] : p2 * 2.0 - p1;
  const double t2 = t * t, t3 = t2 * t;
  return 0.5 * ((2.0 * p1) + (p2 - p0) * t + (2.0 * p0 - 5.0 * p1 + 4.0 * p2 - p3) * t2 +
                (3.0 * p1 - p0 - 3.0 * p2 + p3) * t3);
}

MeshVertex MakeVertex(const SurfaceFn& f, double a, double b, Vec3 inside, double u, double v) {
  constexpr double h = 1e-5;
  const Vec3 p = f(a, b);
  Vec3 n = Cross(f(a + h, b) - f(a - h, b), f(a, b + h) - f(a, b - h));
  if (Dot(n, p - inside) < 0) n = -n;
  return {p, Normalize(n), u, v};
}

void Emit(Mesh& mesh, int bone, int material, const MeshVertex& a, const MeshVertex& b, const MeshVertex& c) {
  const Vec3 face = Cross(b.position - a.position, c.position - a.position);
  if (Length(face) < 1e-9) return;  // collapsed at a pole
  const Vec3 outward = a.normal + b.normal + c.normal;
  MeshTriangle t{material, bone, {a, b, c}};
  if (Dot(face, outward) > 0) std::swap(t.corners[1], t.corners[2]);
  mesh.triangles.push_back(t);
}

// Grid of (rows + 1) x (cols + 1) vertices; vertex(i, j) gives each.
void EmitGrid(Mesh& mesh, int bone, int material, int rows, int cols, auto vertex) {
  for (int i = 0; i < rows; ++i)
    for (int j = 0; j < cols; ++j) {
      const MeshVertex a = vertex(i, j), b = vertex(i, j + 1), c = vertex(i + 1, j + 1), d = vertex(i + 1, j);
      Emit(mesh, bone, material, a, b, c);
      Emit(mesh, bone, material, a, c, d);
    }
}

// Where column j of n around a closed loop lies along the folded coordinate, as a fraction of
// the loop: 0 at the seam, one half opposite it.
double Folded(int j, int n) {
  return static_cast<double>(std::min(j, n - j)) / n;
}

}  // namespace

void AddLoft(Mesh& mesh, const LoftShape& shape, int bone, int material) {
  const auto& depth_keys = shape.depth.empty() ? shape.width : shape.depth;
  auto frame = [&](double s, Vec3& tangent, Vec3& across, Vec3& deep) {
    constexpr double h = 1e-4;
    tangent = Normalize(CatmullRom(shape.axis, std::min(1.0, s + h)) -
                        CatmullRom(shape.axis, std::max(0.0, s - h)));
    deep = Normalize(shape.depth_hint - tangent * Dot(shape.depth_hint, tangent));
    across = Cross(deep, tangent);
  };
  // The angle around at which the loop starts, and so the u seam: the cross-section direction
  // nearest kSeamSide at mid-length (straight down if the part itself points backwards).
  double phi0 = 0;
  {
    Vec3 tangent, across, deep;
    frame(0.5, tangent, across, deep);
    Vec3 seam = kSeamSide - tangent * Dot(kSeamSide, tangent);
    if (Length(seam) < 0.3) seam = Vec3{0, 0, -1} - tangent * -tangent.z;
    // Rounded to a column of the grid, so the vertices are the ones an unturned loop has.
    const double step = 2 * kPi / shape.sides;
    phi0 = step * std::round(std::atan2(Dot(seam, deep), Dot(seam, across)) / step);
  }
  // theta in [0, pi] runs from one end to the other, phi around.
  const SurfaceFn surface = [&](double theta, double phi) {
    const double s = 0.5 * (1.0 - std::cos(theta));
    const double envelope = std::pow(std::max(std::sin(theta), 0.0), shape.bluntness);
    Vec3 tangent, across, deep;
    frame(s, tangent, across, deep);
    return CatmullRom(shape.axis, s) + across * (std::cos(phi) * Smooth(shape.width, s) * envelope) +
           deep * (std::sin(phi) * Smooth(depth_keys, s) * envelope);
  };
  double around, along;
  MeasureSurface(surface, 0, kPi, around, along);
  const double u_range = UvRange(around), v_range = UvRange(along);
  EmitGrid(mesh, bone, material, shape.rings, shape.sides, [&](int i, int j) {
    const double theta = kPi * i / shape.rings, phi = phi0 + 2 * kPi * j / shape.sides;
    const double u = u_range * Folded(j, shape.sides), v = v_range * i / shape.rings;
    if (i == 0 || i == shape.rings) {
      Vec3 tangent, across, deep;
      frame(i == 0 ? 0.0 : 1.0, tangent, across, deep);
      return MeshVertex{surface(theta, phi), i == 0 ? -tangent : tangent, u, v};
    }
    const double s = 0.5 * (1.0 - std::cos(theta));
    return MakeVertex(surface, theta, phi, CatmullRom(shape.axis, s), u, v);
  });
}

void AddEllipsoid(Mesh& mesh, Vec3 centre, Vec3 radii, int bone, int material, int rings, int sides) {
  LoftShape shape;
  shape.axis = {centre - Vec3{0, 0, radii.z}, centre + Vec3{0, 0, radii.z}};
  shape.width = {radii.x};
  shape.depth = {radii.y};
  shape.depth_hint = {0, 1, 0};
  shape.rings = rings;
  shape.sides = sides;
  AddLoft(mesh, shape, bone, material);
}

void AddRing(Mesh& mesh, Vec3 centre, double rx, double ry, double tube, int bone, int material, int segments,
             int tube_sides) {
  auto core = [&](double a) { return centre + Vec3{rx * std::cos(a), ry * std::sin(a), 0}; };
  const SurfaceFn surface = [&](double a, double b) {
    const Vec3 outward = Normalize(Vec3{std::cos(a) / rx, std::sin(a) / ry, 0});
    return core(a) + outward * (tube * std::cos(b)) + Vec3{0, 0, tube * std::sin(b)};
  };
  double around_tube, around_ring;
  MeasureSurface(surface, 0, 2 * kPi, around_tube, around_ring);
  // Both directions close on themselves: the folds go behind (a = pi/2 is +y) and inside.
  const double u_range = UvRange(around_ring), v_range = UvRange(around_tube);
  EmitGrid(mesh, bone, material, segments, tube_sides, [&](int i, int j) {
    const double a = kPi / 2 + 2 * kPi * i / segments, b = kPi + 2 * kPi * j / tube_sides;
    return MakeVertex(surface, a, b, core(a), u_range * Folded(i, segments), v_range * Folded(j, tube_sides));
  });
}

}  // namespace contentgen
