// The frame-rate meter: a figure per window of at least one second, and a wrapping clock.
#include <gtest/gtest.h>

#include <cstdint>

#include "app/hatching_app.h"
#include "base/platform.h"
#include "tests/unit/render_test_support.h"

namespace {

class FrameRateTest : public ::testing::Test {
 protected:
  void SetUp() override { HatchingApp::ResetFrameRateMeter(); }
  void TearDown() override { HatchingApp::ResetFrameRateMeter(); }

  ManualClock clock{5000};
  HatchingApp app;
};

TEST_F(FrameRateTest, ReadsZeroUntilTheFirstSecondCloses) {
  for (int i = 0; i < 10; ++i) {
    app.UpdateFrameRate();
    clock.Advance(90);
  }
  EXPECT_EQ(app.framesPerSecond, 0.0f);
}

TEST_F(FrameRateTest, SeventyTwoFramesOverOnePointTwoSecondsGiveSixty) {
  app.UpdateFrameRate();  // the first call sees no time pass
  for (int i = 2; i <= 71; ++i) {
    clock.Advance(10);
    app.UpdateFrameRate();
  }
  EXPECT_EQ(app.framesPerSecond, 0.0f);
  clock.Advance(500);  // elapsed goes from 0.7 to 1.2
  app.UpdateFrameRate();
  EXPECT_NEAR(app.framesPerSecond, 60.0f, 1e-3f);

  // Frames and elapsed time started again: 4 frames over exactly one more second.
  for (int i = 0; i < 3; ++i) {
    clock.Advance(250);
    app.UpdateFrameRate();
  }
  EXPECT_NEAR(app.framesPerSecond, 60.0f, 1e-3f);
  clock.Advance(250);
  app.UpdateFrameRate();
  EXPECT_NEAR(app.framesPerSecond, 4.0f, 1e-4f);
}

TEST_F(FrameRateTest, WrapOfTheMillisecondCounterKeepsTheTrueInterval) {
  clock.Set(UINT32_MAX - 499);
  app.UpdateFrameRate();
  clock.Advance(1000);  // wraps to 500
  app.UpdateFrameRate();
  EXPECT_NEAR(app.framesPerSecond, 2.0f, 1e-5f);
}

TEST_F(FrameRateTest, MeterIsSharedByTheWholeProcess) {
  HatchingApp other;
  app.UpdateFrameRate();
  clock.Advance(1000);
  other.UpdateFrameRate();
  EXPECT_NEAR(other.framesPerSecond, 2.0f, 1e-5f);
  EXPECT_EQ(app.framesPerSecond, 0.0f);
}

int clockReads = 0;
uint32_t CountingClock() {
  ++clockReads;
  return 0;
}

TEST_F(FrameRateTest, ReadsTheTimerTwiceOnTheFirstFrameThenOnce) {
  SetMillisecondClock(CountingClock);
  clockReads = 0;
  app.UpdateFrameRate();
  EXPECT_EQ(clockReads, 2);
  app.UpdateFrameRate();
  app.UpdateFrameRate();
  EXPECT_EQ(clockReads, 4);
}

}  // namespace
