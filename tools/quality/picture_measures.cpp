#include "tools/quality/picture_measures.h"

#include <algorithm>
#include <cmath>

namespace {

double Percentile(std::vector<double> values, double p) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  const size_t i = std::min(values.size() - 1, static_cast<size_t>(p * static_cast<double>(values.size() - 1) + 0.5));
  return values[i];
}

double Mean(const std::vector<double>& values) {
  double sum = 0;
  for (double v : values) sum += v;
  return values.empty() ? 0 : sum / static_cast<double>(values.size());
}

// Bilinear value at (x, y), pixel centres on whole numbers; false when a corner is outside.
bool Sample(const Plane& plane, double x, double y, double* out) {
  const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
  if (!plane.In(x0, y0) || !plane.In(x0 + 1, y0) || !plane.In(x0, y0 + 1) || !plane.In(x0 + 1, y0 + 1)) return false;
  const double fx = x - x0, fy = y - y0;
  *out = (1 - fy) * ((1 - fx) * plane.At(x0, y0) + fx * plane.At(x0 + 1, y0)) +
         fy * ((1 - fx) * plane.At(x0, y0 + 1) + fx * plane.At(x0 + 1, y0 + 1));
  return true;
}

// One-sided differences either side of a pixel that agree to within half their size (and a
// little): the coordinate runs smoothly through it, with no seam or silhouette.
bool SmoothGradient(const Plane& p, int x, int y, int dx, int dy, double* gradient) {
  if (!p.In(x - dx, y - dy) || !p.In(x + dx, y + dy) || !p.In(x, y)) return false;
  const double before = p.At(x, y) - p.At(x - dx, y - dy), after = p.At(x + dx, y + dy) - p.At(x, y);
  if (std::abs(before - after) > 0.5 * std::max(std::abs(before), std::abs(after)) + 2e-5) return false;
  *gradient = 0.5 * (before + after);
  return true;
}

}  // namespace

ToneError BlockToneError(const Plane& darkness, const Plane& intended, int size) {
  ToneError result;
  std::vector<double> errors;
  double worstColumn = 0;
  for (int bx = 0; bx + size <= darkness.width; bx += size) {
    double columnSum = 0;
    int columnBlocks = 0;
    for (int by = 0; by + size <= darkness.height; by += size) {
      double got = 0, want = 0;
      bool whole = true;
      for (int y = by; y < by + size && whole; ++y)
        for (int x = bx; x < bx + size; ++x) {
          if (!darkness.In(x, y) || !intended.In(x, y)) {
            whole = false;
            break;
          }
          got += darkness.At(x, y);
          want += intended.At(x, y);
        }
      if (!whole) continue;
      const double difference = (got - want) / (size * size);
      errors.push_back(std::abs(difference));
      columnSum += difference;
      ++columnBlocks;
    }
    if (columnBlocks > 0) worstColumn = std::max(worstColumn, std::abs(columnSum / columnBlocks));
  }
  result.blocks = static_cast<int>(errors.size());
  result.mean = Mean(errors);
  result.p95 = Percentile(errors, 0.95);
  result.worst = errors.empty() ? 0 : *std::max_element(errors.begin(), errors.end());
  result.columns = worstColumn;
  return result;
}

double Deviation(const Plane& plane) {
  double sum = 0, squares = 0;
  long n = 0;
  for (size_t i = 0; i < plane.value.size(); ++i) {
    if (!plane.inside[i]) continue;
    sum += plane.value[i];
    squares += static_cast<double>(plane.value[i]) * plane.value[i];
    ++n;
  }
  if (n == 0) return 0;
  const double mean = sum / static_cast<double>(n);
  return std::sqrt(std::max(0.0, squares / static_cast<double>(n) - mean * mean));
}

double Deviation(const std::vector<uint8_t>& grey) {
  Plane plane(static_cast<int>(grey.size()), 1);
  for (size_t i = 0; i < grey.size(); ++i) plane.value[i] = grey[i] / 255.0f, plane.inside[i] = 1;
  return Deviation(plane);
}

double RowProfileCorrelation(const std::vector<uint8_t>& grey, int size, int apart) {
  constexpr int kStrip = 16, kStride = 64;
  if (size < kStride || grey.size() != static_cast<size_t>(size) * size) return 0;
  std::vector<double> a(size), b(size);
  double sum = 0;
  int pairs = 0;
  for (int x0 = 0; x0 < size; x0 += kStride) {
    double meanA = 0, meanB = 0;
    for (int y = 0; y < size; ++y) {
      a[y] = b[y] = 0;
      for (int k = 0; k < kStrip; ++k) {
        a[y] += grey[static_cast<size_t>(y) * size + (x0 + k) % size];
        b[y] += grey[static_cast<size_t>(y) * size + (x0 + apart + k) % size];
      }
      meanA += a[y] / size, meanB += b[y] / size;
    }
    double ab = 0, aa = 0, bb = 0;
    for (int y = 0; y < size; ++y) {
      ab += (a[y] - meanA) * (b[y] - meanB), aa += (a[y] - meanA) * (a[y] - meanA);
      bb += (b[y] - meanB) * (b[y] - meanB);
    }
    if (aa > 0 && bb > 0) sum += ab / std::sqrt(aa * bb), ++pairs;
  }
  return pairs ? sum / pairs : 0;
}

double MedianEdgeWidth(const Plane& d, double minPeak, int* flanks) {
  std::vector<double> widths;
  for (int x = 0; x < d.width; ++x) {
    for (int y = 1; y + 1 < d.height; ++y) {
      if (!d.In(x, y - 1) || !d.In(x, y) || !d.In(x, y + 1)) continue;
      const double peak = d.At(x, y);
      if (peak < minPeak || peak < d.At(x, y - 1) || peak <= d.At(x, y + 1)) continue;
      for (int side : {-1, 1}) {
        double c90 = NAN, c10 = NAN;
        double previous = peak;
        for (int k = y + side; d.In(x, k) && std::abs(k - y) <= 8; k += side) {
          const double value = d.At(x, k);
          if (value > previous + 0.02) break;  // rises again: another stroke, not paper
          auto crossing = [&](double level) { return (k - side) + side * (previous - level) / (previous - value); };
          if (std::isnan(c90) && value < 0.9 * peak) c90 = crossing(0.9 * peak);
          if (value < 0.1 * peak) {
            c10 = crossing(0.1 * peak);
            break;
          }
          previous = value;
        }
        if (!std::isnan(c90) && !std::isnan(c10)) widths.push_back(std::abs(c10 - c90));
      }
    }
  }
  if (flanks) *flanks = static_cast<int>(widths.size());
  return Percentile(widths, 0.5);
}

Tracking TrackPoints(const TrackedPair& from, const TrackedPair& to, MotionGuess guess, const void* context) {
  Tracking result;
  double changeSum = 0;
  long jumps = 0;
  for (int y = 0; y < to.hatch->height; ++y) {
    for (int x = 0; x < to.hatch->width; ++x) {
      if (!to.hatch->In(x, y) || !to.u->In(x, y)) continue;
      const double tu = to.u->At(x, y), tv = to.v->At(x, y);
      double gx = 0, gy = 0;
      guess(x, y, context, &gx, &gy);
      bool found = false;
      for (int step = 0; step < 8; ++step) {
        const int px = static_cast<int>(std::lround(gx)), py = static_cast<int>(std::lround(gy));
        double ux, uy, vx, vy, u, v;
        if (!SmoothGradient(*from.u, px, py, 1, 0, &ux) || !SmoothGradient(*from.u, px, py, 0, 1, &uy) ||
            !SmoothGradient(*from.v, px, py, 1, 0, &vx) || !SmoothGradient(*from.v, px, py, 0, 1, &vy) ||
            !Sample(*from.u, gx, gy, &u) || !Sample(*from.v, gx, gy, &v))
          break;
        const double det = ux * vy - uy * vx;
        if (std::abs(det) < 1e-14) break;
        const double ru = tu - u, rv = tv - v;
        const double sx = (vy * ru - uy * rv) / det, sy = (ux * rv - vx * ru) / det;
        gx += sx, gy += sy;
        if (std::hypot(sx, sy) < 0.02) {
          found = std::hypot(gx - px, gy - py) < 1.0;
          break;
        }
      }
      // Only points that land within a tenth of a pixel of a pixel centre: their brightness is
      // that pixel's, with no interpolation between pixels (which would blur thin strokes and
      // count that blur as change).
      const int cx = static_cast<int>(std::lround(gx)), cy = static_cast<int>(std::lround(gy));
      if (!found || std::abs(gx - cx) > 0.1 || std::abs(gy - cy) > 0.1 || !from.hatch->In(cx, cy)) continue;
      const double before = from.hatch->At(cx, cy);
      const double change = std::abs(to.hatch->At(x, y) - before);
      changeSum += change;
      jumps += change > 0.1;
      ++result.tracked;
    }
  }
  if (result.tracked > 0) {
    result.jumpShare = static_cast<double>(jumps) / static_cast<double>(result.tracked);
    result.meanChange = changeSum / static_cast<double>(result.tracked);
  }
  return result;
}

double PairCorrelation(const Plane& plane, const std::vector<std::pair<int, int>>& left, int dx) {
  double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
  long n = 0;
  for (const auto& [x, y] : left) {
    if (!plane.In(x, y) || !plane.In(x + dx, y)) continue;
    const double a = plane.At(x, y), b = plane.At(x + dx, y);
    sa += a, sb += b, saa += a * a, sbb += b * b, sab += a * b;
    ++n;
  }
  if (n < 2) return 0;
  const double cov = sab / n - (sa / n) * (sb / n);
  const double va = saa / n - (sa / n) * (sa / n), vb = sbb / n - (sb / n) * (sb / n);
  return va > 0 && vb > 0 ? cov / std::sqrt(va * vb) : 0;
}

bool PeriodPeak(const Plane& plane, int period, long minPairs, double* score) {
  double sum = 0;
  long n = 0;
  for (size_t i = 0; i < plane.value.size(); ++i)
    if (plane.inside[i]) sum += plane.value[i], ++n;
  if (n == 0) return false;
  const double mean = sum / static_cast<double>(n);
  const double variance = std::pow(Deviation(plane), 2);
  if (variance <= 0) return false;
  auto correlation = [&](int lx, int ly, long* pairs) {
    double s = 0;
    long count = 0;
    for (int y = 0; y + ly < plane.height; ++y)
      for (int x = 0; x + lx < plane.width; ++x) {
        if (!plane.In(x, y) || !plane.In(x + lx, y + ly)) continue;
        s += (plane.At(x, y) - mean) * (plane.At(x + lx, y + ly) - mean);
        ++count;
      }
    if (pairs) *pairs = count;
    return count > 0 ? s / (static_cast<double>(count) * variance) : 0.0;
  };
  long pairsX = 0, pairsY = 0;
  correlation(period, 0, &pairsX);
  correlation(0, period, &pairsY);
  if (std::max(pairsX, pairsY) < minPairs) return false;
  double peak = -1;
  std::vector<double> others;
  for (int lag = period / 2; lag <= 3 * period / 2; ++lag) {
    for (int axis = 0; axis < 2; ++axis) {
      long pairs = 0;
      const double r = axis == 0 ? correlation(lag, 0, &pairs) : correlation(0, lag, &pairs);
      if (pairs < minPairs) continue;
      if (std::abs(lag - period) <= 1)
        peak = std::max(peak, r);
      else if (std::abs(lag - period) > 4)
        others.push_back(r);
    }
  }
  if (others.size() < 4) return false;
  const double m = Mean(others);
  double spread = 0;
  for (double r : others) spread += (r - m) * (r - m);
  spread = std::sqrt(spread / static_cast<double>(others.size()));
  *score = spread > 0 ? (peak - m) / spread : 0;
  return true;
}
