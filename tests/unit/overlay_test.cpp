// The overlay: text colour packing, line rectangles and the seven lines with their texts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "app/hatching_app.h"
#include "gfx/recording/recorder.h"
#include "render/overlay_text.h"
#include "tests/unit/render_test_support.h"

using ::testing::ElementsAre;

namespace {

class OverlayTest : public RecordedAppTest {
 protected:
  // The colour of the single line drawn by `text`.
  std::string ColorOf(const char* text) {
    Recording().calls.clear();
    app.renderContext.DrawOverlayText(text, 1, 10);
    const std::string line = Recording().calls.at(0);
    return line.substr(line.rfind(", ") + 2, 10);
  }
};

TEST_F(OverlayTest, FrameRateLineOf60GetsItsRectangleAndCyan) {
  app.renderContext.SetOverlayTextColor(0.0f, 1.0f, 1.0f, 1.0f);
  app.renderContext.DrawOverlayText("FPS: 60.000000", 1, 10);
  EXPECT_THAT(Recording().calls, ElementsAre("DrawTextA(null, \"FPS: 60.000000\", -1, {1, 10, 280, 30}, 0, "
                                             "0xFF00FFFF)"));
  EXPECT_EQ(Edges(app.renderContext.textRect), (std::array<int32_t, 4>{1, 10, 280, 30}));
}

TEST_F(OverlayTest, RightEdgeIsLengthTimesFontHeightWhateverX) {
  app.renderContext.DrawOverlayText("abc", 50, 70);
  EXPECT_EQ(Edges(app.renderContext.textRect), (std::array<int32_t, 4>{50, 70, 60, 90}));
}

TEST_F(OverlayTest, ColourChannelsPackAsArgbWithRoundingAndClamping) {
  EXPECT_EQ(ColorOf("x"), "0xFFFFFF00");  // the constructor's yellow
  app.renderContext.SetOverlayTextColor(0.5f, 0.0f, 1.0f, 1.0f);
  EXPECT_EQ(ColorOf("x"), "0xFF8000FF");
  app.renderContext.SetOverlayTextColor(-1.0f, 2.0f, 0.25f, 1.5f);
  EXPECT_EQ(ColorOf("x"), "0xFF00FF40");
  app.renderContext.SetOverlayTextColor(0.999f, 0.001f, 0.0f, 0.0f);
  EXPECT_EQ(ColorOf("x"), "0x00FF0000");
}

TEST_F(OverlayTest, NotANumberChannelPacksAsZero) {
  app.renderContext.SetOverlayTextColor(std::nanf(""), 1.0f, 1.0f, 1.0f);
  EXPECT_EQ(ColorOf("x"), "0xFF00FFFF");
}

TEST_F(OverlayTest, SetOverlayTextColorStoresRgbaInOrder) {
  app.renderContext.SetOverlayTextColor(0.1f, 0.2f, 0.3f, 0.4f);
  EXPECT_EQ(Channels(app.renderContext.textColor), (std::array{0.1f, 0.2f, 0.3f, 0.4f}));
}

TEST_F(OverlayTest, NullTextDrawsNothingAndKeepsTheRectangle) {
  app.renderContext.DrawOverlayText("abcd", 1, 30);
  Recording().calls.clear();
  app.renderContext.DrawOverlayText(nullptr, 5, 500);
  EXPECT_TRUE(Recording().calls.empty());
  EXPECT_EQ(Edges(app.renderContext.textRect), (std::array<int32_t, 4>{1, 30, 80, 50}));
}

TEST_F(OverlayTest, KoreanTextsAreCodePage949Bytes) {
  // Byte lengths: a Hangul syllable or an arrow is two bytes.
  EXPECT_EQ(std::strlen(kOverlayCameraMoveHelp), 42u);
  EXPECT_EQ(std::strlen(kOverlayCameraTurnHelp), 26u);
  EXPECT_EQ(std::strlen(kOverlayLightHelp), 62u);
  EXPECT_EQ(std::string(kOverlayLight).substr(0, 6), "[\xB1\xA4\xBF\xF8]");            // [광원]
  EXPECT_EQ(std::string(kOverlayCameraMoveHelp).substr(32, 6), "[\xA1\xE8\xA1\xE9]");  // [↑↓]
}

TEST_F(OverlayTest, SevenLinesInOrderWithTheirPositions) {
  app.framesPerSecond = 60.0f;
  app.renderContext.SetOverlayTextColor(0.0f, 1.0f, 1.0f, 1.0f);
  app.DrawOverlay();
  const std::string cyan = ", 0, 0xFF00FFFF)";
  EXPECT_THAT(
      Recording().calls,
      ElementsAre(
          "DrawTextA(null, \"FPS: 60.000000\", -1, {1, 10, 280, 30}" + cyan,
          "DrawTextA(null, \"[CAMERA]X:0.000000, Y:100.000000, Z:-200.000000\", -1, {1, 30, 940, 50}" + cyan,
          "DrawTextA(null, \"[\xB1\xA4\xBF\xF8]X:500.000000, Y:500.000000, Z:-500.000000\", -1, "
          "{1, 50, 940, 70}" +
              cyan,
          std::string("DrawTextA(null, \"") + kOverlayCameraMoveHelp + "\", -1, {1, 70, 840, 90}" + cyan,
          std::string("DrawTextA(null, \"") + kOverlayCameraTurnHelp + "\", -1, {1, 90, 520, 110}" + cyan,
          std::string("DrawTextA(null, \"") + kOverlayLightHelp + "\", -1, {1, 110, 1240, 130}" + cyan,
          "DrawTextA(null, \"[WIRE/SOLID] SPACE BAR\", -1, {1, 130, 440, 150}" + cyan));
}

TEST_F(OverlayTest, LightMovedThreeTimesByNum6ShowsX800) {
  for (int i = 0; i < 3; ++i) app.OnKeyDown(nullptr, VK_NUMPAD6, 0);
  app.DrawOverlay();
  EXPECT_EQ(Recording().calls.at(2).find("X:800.000000, Y:500.000000"), 23u);
}

TEST_F(OverlayTest, HugeCoordinatesAreCutToTheLineBuffer) {
  app.renderContext.camera.position = D3DXVECTOR3(3e38f, -3e38f, 3e38f);
  std::memset(app.scene.textLine, 'z', sizeof app.scene.textLine);
  app.DrawOverlay();
  const std::string second = Recording().calls.at(1);
  // 127 bytes of text and the terminating zero fill the buffer; nothing is written past it.
  EXPECT_NE(second.find("{1, 30, 2540, 50}"), std::string::npos);
  EXPECT_EQ(second.find("DrawTextA(null, \"[CAMERA]X:300000"), 0u);
}

}  // namespace
