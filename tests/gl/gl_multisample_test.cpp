// Multisampled back buffers on the GL device: the present parameters come back with the count
// the driver gave (the nearest it has), and a slanted edge resolves into intermediate colours
// only with more than one sample a pixel.
#include <epoxy/gl.h>

#include <algorithm>

#include "tests/gl/gl_test_support.h"

namespace {

class GlMultisample : public GlEffectTest, public ::testing::WithParamInterface<int> {
 protected:
  void SetUp() override {
    samples_ = GetParam();
    GlEffectTest::SetUp();
  }
};

TEST_P(GlMultisample, SlantedEdgesResolveToGreysOnlyWithSeveralSamples) {
  GLint most = 1;
  glGetIntegerv(GL_MAX_SAMPLES, &most);
  const int given = givenSampleType_ > 1 ? static_cast<int>(givenSampleType_) : 1;
  EXPECT_LE(given, std::max(1, static_cast<int>(most)));
  EXPECT_EQ(given > 1, GetParam() > 1 && most > 1);
  Start();
  SetColor(1, 1, 1);
  DrawWith("Solid", {{-0.8f, -0.7f, 0.5f, 0, 0, 1, 0, 0},
                     {0.1f, 0.9f, 0.5f, 0, 0, 1, 0, 0},
                     {0.8f, -0.5f, 0.5f, 0, 0, 1, 0, 0}});
  Finish();
  int greys = 0;
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) greys += Pixel(x, y).r > 0 && Pixel(x, y).r < 255;
  // Three edges about 60 pixels long cross about that many pixels each.
  if (given == 1) {
    EXPECT_EQ(greys, 0);
  } else {
    EXPECT_GT(greys, 60);
  }
}

INSTANTIATE_TEST_SUITE_P(Counts, GlMultisample, ::testing::Values(1, 4, 8));

}  // namespace
