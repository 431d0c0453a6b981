// Multisampled back buffers on the GL device: the present parameters come back with the count
// the driver gave, and a slanted edge resolves into intermediate colours only when it has more
// than one sample a pixel.
#include <epoxy/gl.h>

#include <algorithm>

#include "gfx/gl/gl_backend.h"
#include "tests/gl/gl_test_support.h"

namespace {

class GlMultisample : public GlEffectTest, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    samples_ = GetParam();
    GlEffectTest::SetUp();
  }
  // Pixels of a white triangle with slanted sides on black that are neither black nor white.
  int EdgeGreys() {
    Start();
    SetColor(1, 1, 1);
    DrawWith("Solid", {{-0.8f, -0.7f, 0.5f, 0, 0, 1, 0, 0},
                       {0.1f, 0.9f, 0.5f, 0, 0, 1, 0, 0},
                       {0.8f, -0.5f, 0.5f, 0, 0, 1, 0, 0}});
    Finish();
    int greys = 0;
    for (int y = 0; y < kSize; ++y)
      for (int x = 0; x < kSize; ++x) greys += Pixel(x, y).r > 0 && Pixel(x, y).r < 255;
    return greys;
  }
};

TEST_P(GlMultisample, SlantedEdgesResolveToGreysOnlyWithSeveralSamples) {
  GLint most = 1;
  glGetIntegerv(GL_MAX_SAMPLES, &most);
  const int asked = GetParam();
  const int given = givenSampleType_ > 1 ? static_cast<int>(givenSampleType_) : 1;
  if (asked == 1) {
    EXPECT_EQ(givenSampleType_, 0u);
    EXPECT_EQ(EdgeGreys(), 0);
    return;
  }
  // The nearest count the driver has: never above its most, at least the count asked up to it.
  EXPECT_LE(given, most);
  EXPECT_GE(given, std::min(asked, static_cast<int>(most)));
  const int greys = EdgeGreys();
  if (given > 1) {
    // Three edges about 60 pixels long each cross about that many pixels.
    EXPECT_GT(greys, 60);
    EXPECT_LT(greys, 400);
  }
}

INSTANTIATE_TEST_SUITE_P(Counts, GlMultisample, ::testing::Values(1, 4, 8));

}  // namespace
