#include "tools/quality/stroke_direction.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Stripes of period 8 pixels whose lines run at `degrees` (0: along x), over a square surface
// whose parameters run along x and y; the band x < 20 is outside.
struct Stripes {
  Plane dark{120, 90}, s{120, 90}, t{120, 90};
  explicit Stripes(double degrees) {
    const double a = degrees * 3.14159265358979 / 180;
    for (int y = 0; y < 90; ++y)
      for (int x = 0; x < 120; ++x) {
        const size_t i = static_cast<size_t>(y) * 120 + x;
        dark.value[i] = static_cast<float>(
            0.5 + 0.5 * std::cos(2 * 3.14159265358979 / 8 * (-std::sin(a) * x + std::cos(a) * y)));
        s.value[i] = x / 1000.0f, t.value[i] = y / 1000.0f;
        dark.inside[i] = s.inside[i] = t.inside[i] = x >= 20;
      }
  }
};

}  // namespace

TEST(StrokeDirection, StrokesAlongEitherParameterLineCountAndOthersDoNot) {
  for (double degrees : {0.0, 90.0, 10.0}) {
    const Stripes along(degrees);
    const DirectionShare d = StrokeDirectionShare(along.dark, along.s, along.t, 0.3, 4, 15);
    EXPECT_DOUBLE_EQ(d.share, 1.0) << degrees;
    EXPECT_GT(d.stroked, 3000) << degrees;
  }
  const Stripes slanted(45);
  EXPECT_DOUBLE_EQ(StrokeDirectionShare(slanted.dark, slanted.s, slanted.t, 0.3, 4, 15).share, 0.0);
  // A parameter that jumps (a seam) leaves its pixels out.
  Stripes seam(0);
  for (int y = 0; y < 90; ++y) seam.s.value[static_cast<size_t>(y) * 120 + 60] += 0.5f;
  const Stripes clean(0);
  EXPECT_LT(StrokeDirectionShare(seam.dark, seam.s, seam.t, 0.3, 4, 15).stroked,
            StrokeDirectionShare(clean.dark, clean.s, clean.t, 0.3, 4, 15).stroked);
}

TEST(StrokeDirection, MeanGreyDifferenceOverPixelsInsideBoth) {
  Plane a(4, 1), b(4, 1);
  a.value = {0.0f, 1.0f, 0.5f, 0.2f}, b.value = {0.0f, 0.0f, 0.5f, 0.4f};
  a.inside = {1, 0, 1, 1}, b.inside = {1, 1, 1, 1};
  EXPECT_NEAR(MeanGreyDifference(a, b), 255 * 0.2 / 3, 1e-4);
}
