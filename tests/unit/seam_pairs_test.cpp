#include "tools/quality/seam_pairs.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Strokes two pixels wide, six apart, at `degrees` from +x towards +y; moved across themselves
// by `shift` pixels right of column 60 (a broken seam there).
Plane Strokes(double degrees, double shift) {
  Plane p(120, 90);
  const double a = degrees * 3.14159265358979 / 180;
  for (int i = 0; i < 120 * 90; ++i) {
    const double across = -std::sin(a) * (i % 120) + std::cos(a) * (i / 120) + (i % 120 > 60 ? shift : 0);
    p.value[i] = static_cast<float>(std::max(0.0, 1 - std::abs(across - 6 * std::round(across / 6))));
    p.inside[i] = 1;
  }
  return p;
}

TEST(SeamPairs, PairsAlongThinStrokesSeeWhetherTheyRunOnAcrossAColumn) {
  double angle = 0;
  for (double degrees : {0.0, 25.0, -40.0}) {
    ASSERT_TRUE(StrokeOrientation(Strokes(degrees, 0), 30, 40, 4, &angle));
    EXPECT_NEAR(angle * 180 / 3.14159265358979, degrees, 2);
  }
  std::vector<std::pair<int, int>> seam, level, elsewhere;
  for (int y = 10; y < 80; ++y) {
    seam.push_back({60, y}), level.push_back({59, y});
    for (int x : {25, 45, 80, 100}) elsewhere.push_back({x, y});
  }
  // Level pairs across slanted thin strokes barely correlate; pairs along them do.
  EXPECT_LT(PairCorrelation(Strokes(25, 0), level, 2), 0.3);
  EXPECT_GT(AlongStrokePairCorrelation(Strokes(25, 0), seam, 4).correlation, 0.9);
  EXPECT_LT(AlongStrokePairCorrelation(Strokes(25, 3), seam, 4).correlation, 0.0);
  EXPECT_GT(AlongStrokePairCorrelation(Strokes(25, 3), elsewhere, 4).correlation, 0.9);
  // Strokes down the columns cross no seam there: every centre is left out.
  const AlongStrokeCorrelation down = AlongStrokePairCorrelation(Strokes(80, 0), seam, 4);
  EXPECT_EQ(down.alongSeam, 70);
}

}  // namespace
