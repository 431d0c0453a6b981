// The structure tensor and the parameter lines behind StrokeDirectionShare (see
// stroke_direction.h).
#include "tools/quality/stroke_direction.h"

#include <cmath>
#include <numbers>

namespace {

// A parameter's step between neighbours larger than this is a seam, not the surface turning.
constexpr float kSeamStep = 0.02f;

// Central differences inside the mask; false at the mask's edge or across a seam.
bool Gradient(const Plane& p, int x, int y, bool seams, double* gx, double* gy) {
  if (!p.In(x - 1, y) || !p.In(x + 1, y) || !p.In(x, y - 1) || !p.In(x, y + 1)) return false;
  const float dx = p.At(x + 1, y) - p.At(x - 1, y), dy = p.At(x, y + 1) - p.At(x, y - 1);
  if (seams && (std::abs(dx) > 2 * kSeamStep || std::abs(dy) > 2 * kSeamStep)) return false;
  *gx = 0.5 * dx, *gy = 0.5 * dy;
  return true;
}

// The smaller angle between two orientations (lines, so modulo pi).
double LineAngle(double a, double b) {
  double d = std::fmod(std::abs(a - b), std::numbers::pi);
  return std::min(d, std::numbers::pi - d);
}

}  // namespace

DirectionShare StrokeDirectionShare(const Plane& darkness, const Plane& s, const Plane& t, double minDarkness,
                                    int radius, double toleranceDegrees) {
  const int w = darkness.width, h = darkness.height;
  // The tensor's three entries a pixel, then summed over the window by an integral image.
  std::vector<double> sums(3 * static_cast<size_t>(w + 1) * (h + 1), 0.0);
  const auto at = [&](int c, int x, int y) -> double& {
    return sums[(static_cast<size_t>(y) * (w + 1) + x) * 3 + c];
  };
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      double gx = 0, gy = 0;
      if (!Gradient(darkness, x, y, false, &gx, &gy)) gx = gy = 0;
      const double entry[3] = {gx * gx, gx * gy, gy * gy};
      for (int c = 0; c < 3; ++c)
        at(c, x + 1, y + 1) = entry[c] + at(c, x, y + 1) + at(c, x + 1, y) - at(c, x, y);
    }
  const double tolerance = toleranceDegrees * std::numbers::pi / 180;
  long stroked = 0, aligned = 0;
  for (int y = radius; y < h - radius; ++y)
    for (int x = radius; x < w - radius; ++x) {
      if (!darkness.In(x, y) || darkness.At(x, y) < minDarkness) continue;
      double sg[2], tg[2];
      if (!Gradient(s, x, y, true, &sg[0], &sg[1]) || !Gradient(t, x, y, true, &tg[0], &tg[1])) continue;
      double j[3];
      for (int c = 0; c < 3; ++c)
        j[c] = at(c, x + radius + 1, y + radius + 1) - at(c, x - radius, y + radius + 1) -
               at(c, x + radius + 1, y - radius) + at(c, x - radius, y - radius);
      const double trace = j[0] + j[2], spread = std::hypot(j[0] - j[2], 2 * j[1]);
      // Crossing strokes, or no strokes at all: no orientation to measure.
      if (!(trace > 0) || spread < 0.2 * trace) continue;
      const double stroke = 0.5 * std::atan2(2 * j[1], j[0] - j[2]) + 0.5 * std::numbers::pi;
      const double alongS = std::atan2(tg[0], -tg[1]), alongT = std::atan2(sg[0], -sg[1]);
      ++stroked;
      aligned += std::min(LineAngle(stroke, alongS), LineAngle(stroke, alongT)) <= tolerance;
    }
  return {stroked ? static_cast<double>(aligned) / static_cast<double>(stroked) : 0.0, stroked};
}

double MeanGreyDifference(const Plane& a, const Plane& b) {
  double sum = 0;
  long n = 0;
  for (size_t i = 0; i < a.value.size() && i < b.value.size(); ++i)
    if (a.inside[i] && b.inside[i]) sum += std::abs(a.value[i] - b.value[i]), ++n;
  return n ? 255 * sum / static_cast<double>(n) : 0.0;
}
