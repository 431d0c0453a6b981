// The picture-quality figures, computed from rendered pictures alone. Every picture here is one
// float a pixel on a 0..1 scale with a mask of the pixels that belong to the measured surface;
// how each figure is computed is written beside its function.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct Plane {
  int width = 0, height = 0;
  std::vector<float> value;
  std::vector<uint8_t> inside;  // 1 where the pixel shows the measured surface

  Plane() = default;
  Plane(int w, int h) : width(w), height(h), value(static_cast<size_t>(w) * h, 0.0f), inside(value.size(), 0) {}
  float At(int x, int y) const { return value[static_cast<size_t>(y) * width + x]; }
  bool In(int x, int y) const {
    return x >= 0 && y >= 0 && x < width && y < height && inside[static_cast<size_t>(y) * width + x];
  }
};

// Tone error: the picture is cut into size x size blocks; each block that lies wholly inside the
// mask compares its mean darkness with the mean darkness the tone asked for there. `columns` is
// the worst, over the columns of blocks, of the column's mean difference (signed, then its size).
struct ToneError {
  double mean = 0, p95 = 0, worst = 0, columns = 0;
  int blocks = 0;
};
ToneError BlockToneError(const Plane& darkness, const Plane& intended, int size);

// Standard deviation of the values inside the mask.
double Deviation(const Plane& plane);
double Deviation(const std::vector<uint8_t>& grey);

// Stroke edge width: along every column, each stroke (a local peak of darkness at least
// `minPeak`) has its two flanks measured from 10 % to 90 % of the peak, between crossings found
// by linear interpolation; a flank counts when it falls to 10 % within 8 pixels, that is, when
// the stroke stands on paper. The median over all flanks, in pixels. Strokes must run across the
// columns (horizontal strokes).
double MedianEdgeWidth(const Plane& darkness, double minPeak, int* flanks);

// Tracked surface points between two pictures of the same surface from a moving eye. `u`, `v`
// hold each pixel's texture coordinates. For each pixel of `to` inside the mask, the point of
// `from` with the same coordinates is found by Newton steps on the coordinates' local gradient
// (starting from `guess`, the pixel's position in `from` as the motion predicts it). Points that
// land within a tenth of a pixel of a pixel centre in `from` are compared with that pixel;
// points near a silhouette or a seam (no smooth gradient, or no converged match) are skipped.
struct Tracking {
  double jumpShare = 0;   // share of tracked points whose brightness changed by more than 0.1
  double meanChange = 0;  // mean absolute change
  long tracked = 0;
};
struct TrackedPair {
  const Plane *hatch, *u, *v;
};
using MotionGuess = void (*)(double x, double y, const void* context, double* fx, double* fy);
Tracking TrackPoints(const TrackedPair& from, const TrackedPair& to, MotionGuess guess, const void* context);

// Pearson correlation of the values at the pixel pairs (x, y) and (x + dx, y) for the listed
// left pixels, skipping pairs that leave the mask.
double PairCorrelation(const Plane& plane, const std::vector<std::pair<int, int>>& left, int dx);

// How far the normalised autocorrelation of the values inside the mask stands out at lag
// `period` (the larger along x and along y) above its spread over the lags from period/2 to
// 3 period/2: (peak - mean) / deviation of the other lags. Returns false when fewer than
// `minPairs` pixel pairs lie `period` apart inside the mask: the pattern cannot repeat there.
bool PeriodPeak(const Plane& plane, int period, long minPairs, double* score);

// Ruled lines in a square, tiling grey texture of side `size`: the row profiles (each row's mean
// over a strip 16 texels wide) of two strips `apart` texels apart, Pearson-correlated over the
// rows, averaged over strips starting every 64 texels (wrapping). Lines that keep their row
// across the texture correlate strongly; strokes placed at random, near 0.
double RowProfileCorrelation(const std::vector<uint8_t>& grey, int size, int apart);
