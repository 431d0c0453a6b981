// The picture-quality measures on pictures whose answers are known.
#include "tools/quality/picture_measures.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

Plane Filled(int w, int h, float value) {
  Plane p(w, h);
  for (size_t i = 0; i < p.value.size(); ++i) p.value[i] = value, p.inside[i] = 1;
  return p;
}

TEST(PictureMeasures, ToneErrorComparesWholeBlocksAndColumns) {
  Plane dark = Filled(32, 32, 0.5f), want = Filled(32, 32, 0.4f);
  for (int y = 0; y < 16; ++y) dark.value[static_cast<size_t>(y) * 32 + 20] = 0.5f + 16 * 0.05f;
  dark.inside[16 * 32 + 3] = 0;  // the lower left block is not wholly inside
  const ToneError e = BlockToneError(dark, want, 16);
  EXPECT_EQ(e.blocks, 3);
  EXPECT_NEAR(e.worst, 0.15, 1e-5);  // upper right: one column of 16 raised by 0.8
  EXPECT_NEAR(e.mean, (0.1 + 0.15 + 0.1) / 3, 1e-5);
  EXPECT_NEAR(e.columns, 0.125, 1e-5);
}

TEST(PictureMeasures, EdgeWidthIsTheTenToNinetyRiseOfAStrokeOnPaper) {
  Plane dark = Filled(8, 40, 0.0f);
  // A stroke 0.8 dark with linear flanks 4 pixels long: 10 % to 90 % is 3.2 pixels.
  for (int x = 0; x < 8; ++x)
    for (int y = 0; y < 40; ++y) {
      const double distance = std::abs(y - 20.0);
      dark.value[static_cast<size_t>(y) * 8 + x] = static_cast<float>(0.8 * std::clamp((6.0 - distance) / 4.0, 0.0, 1.0));
    }
  int flanks = 0;
  EXPECT_NEAR(MedianEdgeWidth(dark, 0.35, &flanks), 3.2, 1e-6);
  EXPECT_EQ(flanks, 16);
}

void Shift(double x, double y, const void* context, double* fx, double* fy) {
  *fx = x - *static_cast<const double*>(context) + 0.3, *fy = y - 0.2;  // a guess a little off
}

TEST(PictureMeasures, TrackedPointsFollowTheirTextureCoordinates) {
  // The same striped surface seen twice, moved 2 pixels right: every point keeps its value.
  Plane hatchA = Filled(64, 64, 0), uA = hatchA, vA = hatchA;
  Plane hatchB = hatchA, uB = hatchA, vB = hatchA;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const size_t i = static_cast<size_t>(y) * 64 + x;
      uA.value[i] = x / 1000.0f, vA.value[i] = y / 1000.0f, hatchA.value[i] = (y / 3) % 2 ? 1.0f : 0.2f;
      uB.value[i] = (x - 2) / 1000.0f, vB.value[i] = y / 1000.0f, hatchB.value[i] = hatchA.value[i];
    }
  const double moved = 2;
  Tracking t = TrackPoints({&hatchA, &uA, &vA}, {&hatchB, &uB, &vB}, Shift, &moved);
  EXPECT_GT(t.tracked, 3000);
  EXPECT_EQ(t.jumpShare, 0);
  // Now the second picture's stripes move with the eye instead of with the surface.
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) hatchB.value[static_cast<size_t>(y) * 64 + x] = ((y + 1) / 3) % 2 ? 1.0f : 0.2f;
  t = TrackPoints({&hatchA, &uA, &vA}, {&hatchB, &uB, &vB}, Shift, &moved);
  EXPECT_NEAR(t.jumpShare, 1.0 / 3, 0.02);
}

TEST(PictureMeasures, CorrelationAndThePeriodOfARepeatingPattern) {
  Plane p = Filled(200, 120, 0);
  uint32_t seed = 7;
  std::vector<float> tile(40 * 40);
  for (float& v : tile) v = static_cast<float>((seed = seed * 1664525u + 1013904223u) >> 8) / 16777216.0f;
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 200; ++x) p.value[static_cast<size_t>(y) * 200 + x] = tile[(y % 40) * 40 + x % 40];
  std::vector<std::pair<int, int>> left;
  for (int y = 0; y < 120; ++y) left.push_back({3, y});
  EXPECT_NEAR(PairCorrelation(p, left, 40), 1.0, 1e-6);
  double score = 0;
  ASSERT_TRUE(PeriodPeak(p, 40, 1000, &score));
  EXPECT_GT(score, 10);
  ASSERT_TRUE(PeriodPeak(p, 30, 1000, &score));
  EXPECT_LT(score, 3);
  EXPECT_FALSE(PeriodPeak(p, 150, 1000 * 1000, &score));
}

}  // namespace
