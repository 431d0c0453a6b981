// The snowy environment. Everything is a smooth function of the view direction; the colours
// stay soft and light so the hatched character stays the darkest thing on screen.
#include "snow_environment.h"

#include <algorithm>
#include <cmath>

namespace contentgen {
namespace {

double SmoothStep(double e0, double e1, double x) {
  const double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

// Low-frequency ripple over the sphere; integer multiples of the azimuth keep it continuous.
double SoftNoise(Vec3 d, double seed) {
  return 0.5 * std::sin(3.1 * d.x + 1.7 * d.y + seed) * std::cos(2.3 * d.z - 1.1 * d.x + 2 * seed) +
         0.3 * std::sin(5.3 * d.z + 4.1 * d.y - seed) * std::sin(4.7 * d.x + 0.5 * seed) +
         0.2 * std::sin(9.1 * d.y + 7.3 * d.x + 3.7 * d.z + seed);
}

Vec3 Sky(Vec3 d) {
  const Vec3 horizon{0.93, 0.94, 0.96}, zenith{0.72, 0.79, 0.88};
  Vec3 c = Lerp(horizon, zenith, std::pow(std::max(d.y, 0.0), 0.6));
  // Thin overcast: brighter patches drifting across.
  const double cloud = SmoothStep(0.1, 0.8, SoftNoise(d * 1.7, 0.4));
  c = Lerp(c, Vec3{0.97, 0.97, 0.98}, 0.55 * cloud * SmoothStep(0.0, 0.25, d.y));
  // A low winter sun behind the haze.
  const Vec3 sun = Normalize(Vec3{0.45, 0.35, 0.8});
  const double glow = std::pow(std::max(Dot(d, sun), 0.0), 24.0);
  return Lerp(c, Vec3{1.0, 0.98, 0.93}, 0.6 * glow);
}

Vec3 Ground(Vec3 d) {
  // Drifts: soft undulations of the snowfield, fading into haze towards the horizon.
  const double depth = -d.y;
  const double drift = SoftNoise(Vec3{d.x * 2.0, depth * 3.0, d.z * 2.0}, 1.3);
  const Vec3 snow{0.96, 0.965, 0.975}, shadow{0.84, 0.87, 0.92};
  const Vec3 c = Lerp(snow, shadow, 0.35 + 0.3 * drift);
  return Lerp(Vec3{0.92, 0.93, 0.95}, c, SmoothStep(0.0, 0.35, depth));
}

double HillHeight(Vec3 d) {
  const double az = std::atan2(d.z, d.x);
  return 0.07 + 0.035 * std::sin(3 * az + 0.6) + 0.02 * std::sin(7 * az + 2.1) + 0.01 * std::sin(13 * az);
}

}  // namespace

Vec3 CubeFaceDirection(int face, int x, int y, int size) {
  const double u = 2.0 * (x + 0.5) / size - 1.0, v = 2.0 * (y + 0.5) / size - 1.0;
  switch (face) {
    case 0:
      return Normalize({1, -v, -u});
    case 1:
      return Normalize({-1, -v, u});
    case 2:
      return Normalize({u, 1, v});
    case 3:
      return Normalize({u, -1, -v});
    case 4:
      return Normalize({u, -v, 1});
    default:
      return Normalize({-u, -v, -1});
  }
}

Vec3 SnowSceneColor(Vec3 d) {
  const Vec3 hills{0.80, 0.84, 0.89};
  Vec3 above = Sky(d);
  // Distant hills: a soft-edged band over the horizon, paler with distance.
  const double hill = 1.0 - SmoothStep(-0.01, 0.01, d.y - HillHeight(d));
  above = Lerp(above, Lerp(hills, Vec3{0.9, 0.92, 0.95}, SmoothStep(0.0, 0.08, d.y)), hill);
  return Lerp(Ground(d), above, SmoothStep(-0.015, 0.015, d.y));
}

std::array<std::vector<ColorImage>, 6> BuildSnowCubeMap(int size) {
  std::array<std::vector<ColorImage>, 6> faces;
  for (int f = 0; f < 6; ++f) {
    ColorImage top{size, size, std::vector<uint8_t>(static_cast<size_t>(size) * size * 4)};
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) {
        const Vec3 c = SnowSceneColor(CubeFaceDirection(f, x, y, size));
        uint8_t* p = &top.rgba[(static_cast<size_t>(y) * size + x) * 4];
        p[0] = ToByte(c.x), p[1] = ToByte(c.y), p[2] = ToByte(c.z), p[3] = 255;
      }
    faces[f].push_back(std::move(top));
    while (faces[f].back().width > 1) faces[f].push_back(HalveColor(faces[f].back()));
  }
  return faces;
}

}  // namespace contentgen
