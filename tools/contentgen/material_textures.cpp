// Painting of the material textures: scaly red skin, riveted leather armour, ringed horn and
// brushed steel. All patterns are periodic over the image so the textures tile.
#include "material_textures.h"

#include <algorithm>
#include <cmath>

#include "character_model.h"
#include "random.h"
#include "vec_math.h"

namespace contentgen {
namespace {

double SmoothStep(double e0, double e1, double x) {
  const double t = std::clamp((x - e0) / (e1 - e0), 0.0, 1.0);
  return t * t * (3 - 2 * t);
}

// Value noise on a lattice that repeats every period_x by period_y cells; x, y in cells.
double PeriodicNoise(double x, double y, int period_x, int period_y, uint32_t seed) {
  const int ix = static_cast<int>(std::floor(x)), iy = static_cast<int>(std::floor(y));
  const double fx = x - ix, fy = y - iy;
  auto at = [&](int cx, int cy) {
    return HashToUnit(static_cast<uint32_t>(((cx % period_x) + period_x) % period_x),
                      static_cast<uint32_t>(((cy % period_y) + period_y) % period_y), seed);
  };
  const double sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
  return (1 - sy) * ((1 - sx) * at(ix, iy) + sx * at(ix + 1, iy)) +
         sy * ((1 - sx) * at(ix, iy + 1) + sx * at(ix + 1, iy + 1));
}

// Three octaves, u and v in [0, 1), base lattice of `cells` per side (x and y independently).
double Fractal(double u, double v, int cells_u, int cells_v, uint32_t seed) {
  double sum = 0, amplitude = 0.5;
  for (int o = 0; o < 3; ++o) {
    const int cu = cells_u << o, cv = cells_v << o;
    sum += amplitude * PeriodicNoise(u * cu, v * cv, cu, cv, seed + o);
    amplitude *= 0.5;
  }
  return sum / 0.875;
}

// Two nearest jittered cell centres on a wrapping grid: returns (nearest, second nearest).
std::pair<double, double> CellDistances(double u, double v, int cells, uint32_t seed) {
  const double x = u * cells, y = v * cells;
  const int cx = static_cast<int>(std::floor(x)), cy = static_cast<int>(std::floor(y));
  double d1 = 1e9, d2 = 1e9;
  for (int j = -1; j <= 1; ++j)
    for (int i = -1; i <= 1; ++i) {
      const int gx = cx + i, gy = cy + j;
      const uint32_t wx = static_cast<uint32_t>((gx % cells + cells) % cells);
      const uint32_t wy = static_cast<uint32_t>((gy % cells + cells) % cells);
      // Rows of scales are offset by half a cell, like overlapping scales.
      const double px = gx + 0.5 * (gy & 1) + 0.25 + 0.5 * HashToUnit(wx, wy, seed);
      const double py = gy + 0.25 + 0.5 * HashToUnit(wx, wy, seed + 7);
      const double d = std::hypot(x - px, y - py);
      if (d < d1)
        d2 = d1, d1 = d;
      else if (d < d2)
        d2 = d;
    }
  return {d1, d2};
}

Vec3 Skin(double u, double v) {
  const auto [d1, d2] = CellDistances(u, v, 16, 11);
  const double crevice = 1.0 - SmoothStep(0.0, 0.12, d2 - d1);
  const double dome = 1.0 - SmoothStep(0.0, 0.6, d1);
  const double mottle = Fractal(u, v, 4, 4, 21);
  Vec3 c = Lerp(Vec3{0.55, 0.09, 0.06}, Vec3{0.74, 0.17, 0.10}, mottle);
  c = Lerp(c, Vec3{0.85, 0.30, 0.18}, 0.35 * dome);
  return Lerp(c, Vec3{0.28, 0.04, 0.03}, 0.8 * crevice);
}

Vec3 Armour(double u, double v) {
  const double grain = Fractal(u, v, 8, 8, 31);
  Vec3 c = Lerp(Vec3{0.24, 0.13, 0.07}, Vec3{0.40, 0.24, 0.13}, grain);
  // Four overlapping leather plates down the texture, each with a dark lower seam.
  const double band = std::fmod(v * 4.0, 1.0);
  c = c * (0.8 + 0.25 * band);
  c = Lerp(c, Vec3{0.10, 0.05, 0.03}, SmoothStep(0.88, 0.97, band));
  // Stitching just above each seam, and brass rivets between stitches.
  const double along = std::fmod(u * 32.0, 1.0);
  if (band > 0.8 && band < 0.84 && along < 0.55) c = Lerp(c, Vec3{0.75, 0.62, 0.42}, 0.7);
  const double rx = std::fmod(u * 8.0, 1.0) - 0.5, ry = (band - 0.45) * 2.0;
  const double rivet = 1.0 - SmoothStep(0.06, 0.1, std::hypot(rx, ry * 0.5));
  return Lerp(c, Vec3{0.78, 0.64, 0.36} * (0.8 + 0.4 * (0.5 - ry)), rivet);
}

Vec3 Horn(double u, double v) {
  const double streak = Fractal(u, v, 16, 2, 41);
  const double rings = 0.5 + 0.5 * std::sin(v * 2 * kPi * 12 + 3 * Fractal(u, v, 4, 4, 43));
  Vec3 c = Lerp(Vec3{0.55, 0.45, 0.32}, Vec3{0.93, 0.88, 0.74}, 0.3 + 0.5 * v + 0.2 * streak);
  return c * (0.88 + 0.12 * rings);
}

Vec3 Steel(double u, double v) {
  const double brushed = Fractal(u, v, 64, 2, 51);
  Vec3 c = Lerp(Vec3{0.52, 0.54, 0.57}, Vec3{0.78, 0.80, 0.82}, brushed);
  // The fuller: a darker groove along the middle of each face.
  const double face = std::fabs(std::fmod(u * 2.0, 1.0) - 0.5);
  c = Lerp(c, c * 0.7, 1.0 - SmoothStep(0.03, 0.08, std::fabs(face - 0.25)));
  // A few specks of rust.
  const double rust = SmoothStep(0.72, 0.8, Fractal(u, v, 16, 16, 53));
  return Lerp(c, Vec3{0.45, 0.16, 0.08}, 0.6 * rust);
}

}  // namespace

ColorImage PaintMaterialTexture(int material, int size) {
  ColorImage image{size, size, std::vector<uint8_t>(static_cast<size_t>(size) * size * 4)};
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const double u = (x + 0.5) / size, v = (y + 0.5) / size;
      Vec3 c;
      switch (material) {
        case kSkin:
          c = Skin(u, v);
          break;
        case kArmour:
          c = Armour(u, v);
          break;
        case kHorn:
          c = Horn(u, v);
          break;
        default:
          c = Steel(u, v);
          break;
      }
      uint8_t* p = &image.rgba[(static_cast<size_t>(y) * size + x) * 4];
      p[0] = ToByte(c.x), p[1] = ToByte(c.y), p[2] = ToByte(c.z), p[3] = 255;
    }
  return image;
}

}  // namespace contentgen
