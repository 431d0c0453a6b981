// Pairs along the strokes (see seam_pairs.h).
#include "tools/quality/seam_pairs.h"

#include <cmath>
#include <numbers>

namespace {

// The value a fraction of the way from row floor(y) to the next, both inside the mask.
bool BetweenRows(const Plane& plane, int x, double y, double* out) {
  const int y0 = static_cast<int>(std::floor(y));
  const double f = y - y0;
  if (!plane.In(x, y0) || (f > 0 && !plane.In(x, y0 + 1))) return false;
  *out = f > 0 ? (1 - f) * plane.At(x, y0) + f * plane.At(x, y0 + 1) : plane.At(x, y0);
  return true;
}

// Scharr's derivative: central differences smoothed across, which keeps the gradient's angle
// true for strokes a pixel or two wide, where plain central differences lean towards the axes.
bool ScharrGradient(const Plane& plane, int x, int y, double* gx, double* gy) {
  for (int j = -1; j <= 1; ++j)
    for (int i = -1; i <= 1; ++i)
      if (!plane.In(x + i, y + j)) return false;
  const auto at = [&](int i, int j) { return static_cast<double>(plane.At(x + i, y + j)); };
  *gx = (3 * (at(1, -1) - at(-1, -1)) + 10 * (at(1, 0) - at(-1, 0)) + 3 * (at(1, 1) - at(-1, 1))) / 32;
  *gy = (3 * (at(-1, 1) - at(-1, -1)) + 10 * (at(0, 1) - at(0, -1)) + 3 * (at(1, 1) - at(1, -1))) / 32;
  return true;
}

}  // namespace

bool StrokeOrientation(const Plane& plane, int x, int y, int radius, double* angle) {
  double xx = 0, xy = 0, yy = 0;
  for (int j = y - radius; j <= y + radius; ++j)
    for (int i = x - radius; i <= x + radius; ++i) {
      double gx = 0, gy = 0;
      if (!ScharrGradient(plane, i, j, &gx, &gy)) continue;
      xx += gx * gx, xy += gx * gy, yy += gy * gy;
    }
  const double trace = xx + yy, spread = std::hypot(xx - yy, 2 * xy);
  if (!(trace > 0) || spread < 0.2 * trace) return false;
  // The strokes run at right angles to the dominant gradient.
  double a = 0.5 * std::atan2(2 * xy, xx - yy) + 0.5 * std::numbers::pi;
  if (a > 0.5 * std::numbers::pi) a -= std::numbers::pi;
  *angle = a;
  return true;
}

AlongStrokeCorrelation AlongStrokePairCorrelation(const Plane& plane,
                                                  const std::vector<std::pair<int, int>>& centres,
                                                  int radius) {
  AlongStrokeCorrelation result;
  const double steepest = std::tan(std::numbers::pi / 3);
  double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
  for (const auto& [x, y] : centres) {
    double angle = 0, a = 0, b = 0;
    const double slope = StrokeOrientation(plane, x, y, radius, &angle) ? std::tan(angle) : 0.0;
    if (std::abs(slope) > steepest) {
      ++result.alongSeam;
      continue;
    }
    if (!BetweenRows(plane, x - 1, y - slope, &a) || !BetweenRows(plane, x + 1, y + slope, &b)) continue;
    sa += a, sb += b, saa += a * a, sbb += b * b, sab += a * b;
    ++result.pairs;
  }
  if (result.pairs < 2) return result;
  const double n = static_cast<double>(result.pairs);
  const double cov = sab / n - (sa / n) * (sb / n);
  const double va = saa / n - (sa / n) * (sa / n), vb = sbb / n - (sb / n) * (sb / n);
  result.correlation = va > 0 && vb > 0 ? cov / std::sqrt(va * vb) : 0;
  return result;
}
