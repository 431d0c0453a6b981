// The cylinder and the torus of form_shapes.h, their islands, and the stroke field on them.
#include "tools/quality/form_shapes.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

#include "field/stroke_field.h"

namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kDensity = field::StrokeFieldOptions{}.density;
constexpr int kAround = 160, kAlong = 48;
constexpr int kIslandsAround = 8, kIslandsAlong = 4;

struct Sample {
  D3DXVECTOR3 position, normal;
  double arcAround, arcAlong;  // lengths along the two curvature lines, for the file's uv
};

// s, t in [0, 1]; the seams of s (and the torus's t) lie on the side away from the eye.
Sample At(FormShape shape, double s, double t) {
  const double theta = 2 * kPi * s;
  if (shape == FormShape::kCylinder) {
    constexpr double r = 60, height = 160;
    const double c = std::cos(theta), n = std::sin(theta);
    return {D3DXVECTOR3(static_cast<float>(r * n), static_cast<float>(height * (t - 0.5)),
                        static_cast<float>(300 + r * c)),
            D3DXVECTOR3(static_cast<float>(n), 0, static_cast<float>(c)), r * theta, height * t};
  }
  constexpr double big = 85, small = 32, tilt = 55 * kPi / 180;
  const double phi = 2 * kPi * t + kPi;  // its seam on the inside of the ring
  const double ring = big + small * std::cos(phi);
  // The torus about +y, then tilted about x towards the eye.
  const double px = ring * std::sin(theta), py = small * std::sin(phi), pz = ring * std::cos(theta);
  const double nx = std::cos(phi) * std::sin(theta), ny = std::sin(phi), nz = std::cos(phi) * std::cos(theta);
  const double c = std::cos(tilt), n = std::sin(tilt);
  return {D3DXVECTOR3(static_cast<float>(px), static_cast<float>(c * py - n * pz),
                      static_cast<float>(360 + n * py + c * pz)),
          D3DXVECTOR3(static_cast<float>(nx), static_cast<float>(c * ny - n * nz),
                      static_cast<float>(n * ny + c * nz)),
          big * theta, small * phi};
}

SkinVertex Vertex(const Sample& p, double u, double v) {
  SkinVertex out;
  out.position = p.position, out.normal = p.normal;
  out.u = static_cast<float>(u), out.v = static_cast<float>(v);
  return out;
}

}  // namespace

ShapeMesh MakeShape(FormShape shape, bool islands) {
  const int along = shape == FormShape::kCylinder ? kAlong : 2 * kAlong;
  std::mt19937 random(7);
  std::uniform_real_distribution<double> angle(0, 2 * kPi), offset(0, 1);
  std::vector<int> order(kIslandsAround * kIslandsAlong);
  for (size_t k = 0; k < order.size(); ++k) order[k] = static_cast<int>(k);
  if (islands) std::shuffle(order.begin(), order.end(), random);
  ShapeMesh mesh;
  for (int island : order) {
    const double turn = islands ? angle(random) : 0, dx = islands ? offset(random) : 0,
                 dy = islands ? offset(random) : 0;
    const int i0 = island % kIslandsAround * kAround / kIslandsAround,
              j0 = island / kIslandsAround * along / kIslandsAlong;
    for (int i = i0; i < i0 + kAround / kIslandsAround; ++i)
      for (int j = j0; j < j0 + along / kIslandsAlong; ++j) {
        const int corners[6][2] = {{i, j}, {i + 1, j}, {i + 1, j + 1}, {i, j}, {i + 1, j + 1}, {i, j + 1}};
        for (int k = 0; k < 6; ++k) {
          // Rotating the corners within each triangle, as another tool's export would list them.
          const int* c = corners[k / 3 * 3 + (k % 3 + (islands ? island : 0)) % 3];
          const double s = static_cast<double>(c[0]) / kAround, t = static_cast<double>(c[1]) / along;
          const Sample p = At(shape, s, t);
          mesh.parameters.push_back(Vertex(p, s, t));
          const double a = kDensity * p.arcAround, b = kDensity * p.arcAlong;
          mesh.fileUv.push_back(Vertex(p, dx + std::cos(turn) * a - std::sin(turn) * b,
                                       dy + std::sin(turn) * a + std::cos(turn) * b));
        }
      }
  }
  return mesh;
}

std::vector<SkinVertex> WithFormStrokes(const std::vector<SkinVertex>& mesh) {
  std::vector<float> corners(3 * mesh.size()), uv(2 * mesh.size());
  for (size_t k = 0; k < mesh.size(); ++k) {
    corners[3 * k] = mesh[k].position.x, corners[3 * k + 1] = mesh[k].position.y,
                corners[3 * k + 2] = mesh[k].position.z;
  }
  field::ComputeStrokeField(corners, uv);
  std::vector<SkinVertex> out = mesh;
  for (size_t k = 0; k < out.size(); ++k) out[k].u = uv[2 * k], out[k].v = uv[2 * k + 1];
  return out;
}
