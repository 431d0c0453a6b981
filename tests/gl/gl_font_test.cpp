// The overlay font: faces and metrics of the glyph atlas, and DrawTextA drawn headless through
// GL, alone and through the device: glyphs inside their rectangle and none outside, the packed
// colour, clipping, and the GL state left as it was found.
#include "gfx/gl/gl_font.h"

#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "base/cp949.h"
#include "gfx/gl/glyph_atlas.h"
#include "tests/gl/gl_test_support.h"

namespace {

// Overlay line 4 as the program holds it: "[Camera이동] W/A/S/D [Roll] Q/E [↑↓] R/F".
std::string OverlayLine4() {
  std::string bytes;
  const char utf8[] = "[Camera이동] W/A/S/D [Roll] Q/E [↑↓] R/F";
  EXPECT_TRUE(Utf8ToCp949(utf8, std::strlen(utf8), &bytes));
  return bytes;
}

std::unique_ptr<GlyphAtlas> MakeAtlas() {
  GlyphAtlasOptions options;
  options.family = "Arial";
  options.height = 20;
  options.bold = true;
  std::unique_ptr<GlyphAtlas> atlas;
  std::string error;
  EXPECT_TRUE(GlyphAtlas::Create(options, &atlas, &error)) << error;
  return atlas;
}

TEST(GlyphAtlas, LatinFromTheArialFaceAndHangulFromNanumGothic) {
  const auto atlas = MakeAtlas();
  ASSERT_TRUE(atlas);
  EXPECT_EQ(atlas->FaceFamily(0), "Liberation Sans");
  EXPECT_EQ(atlas->FaceFamily(1), "NanumGothic");
  EXPECT_EQ(atlas->Glyph('A').face, 0);
  EXPECT_EQ(atlas->Glyph(U'광').face, 1);
  EXPECT_EQ(atlas->Glyph(U'동').face, 1);
  EXPECT_GT(atlas->Glyph(U'↑').height, 8);
  EXPECT_GT(atlas->Glyph(U'광').width, 10);
}

TEST(GlyphAtlas, CellHeightIsTheLineHeight) {
  const auto atlas = MakeAtlas();
  ASSERT_TRUE(atlas);
  EXPECT_EQ(atlas->lineHeight(), 20);
  EXPECT_GE(atlas->ascender(), 15);
  EXPECT_LE(atlas->ascender(), 18);
  // A capital stands on the baseline and reaches most of the way to the top of the line.
  const GlyphMetrics& h = atlas->Glyph('H');
  EXPECT_GE(h.top, 11);
  EXPECT_LE(h.top, atlas->ascender());
  EXPECT_GE(h.advance, 10);
}

TEST(GlyphAtlas, LayoutPlacesGlyphsOnOneBaselinePerLine) {
  const auto atlas = MakeAtlas();
  ASSERT_TRUE(atlas);
  std::vector<GlyphQuad> quads;
  EXPECT_EQ(atlas->Layout("HH H\nH", 5, 100, &quads), 2);
  ASSERT_EQ(quads.size(), 4u);
  const GlyphMetrics& h = atlas->Glyph('H');
  EXPECT_EQ(quads[0].x0, 5 + h.left);
  EXPECT_EQ(quads[0].y0, 100 + atlas->ascender() - h.top);
  EXPECT_EQ(quads[1].x0 - quads[0].x0, h.advance);
  EXPECT_EQ(quads[2].x0 - quads[1].x0, h.advance + atlas->Glyph(' ').advance);
  EXPECT_EQ(quads[3].x0, quads[0].x0);
  EXPECT_EQ(quads[3].y0, quads[0].y0 + 20);
  EXPECT_EQ(quads[0].x1 - quads[0].x0, h.width);
  EXPECT_EQ(atlas->Layout("", 0, 0, &quads), 0);
  EXPECT_TRUE(quads.empty());
  EXPECT_EQ(atlas->Layout("\xC3(\xFF", 0, 0, &quads), 1);  // malformed UTF-8: replacement glyphs
  EXPECT_GE(quads.size(), 2u);
}

TEST(GlyphAtlas, TheOverlayNeedsNoNewGlyphsAndNoNewMemory) {
  const auto atlas = MakeAtlas();
  ASSERT_TRUE(atlas);
  const uint64_t revision = atlas->revision();
  const char* lines[] = {"FPS: 60.000000",
                         "[CAMERA]X:-12.500000, Y:3.000000, Z:0.000000",
                         "[광원]X:1.000000, Y:2.000000, Z:3.000000",
                         "[Camera이동] W/A/S/D [Roll] Q/E [↑↓] R/F",
                         "[Camera회전] 마우스 R 버튼",
                         "[Light이동] [X이동]NUM8/NUM5 [Y이동]NUM4/NUM6 [Z이동]NUM7/NUM9",
                         "[WIRE/SOLID] SPACE BAR"};
  std::vector<GlyphQuad> quads;
  quads.reserve(128);
  const GlyphQuad* storage = quads.data();
  for (const char* line : lines) {
    atlas->Layout(line, 1, 10, &quads);
    EXPECT_FALSE(quads.empty());
  }
  EXPECT_EQ(atlas->revision(), revision);
  EXPECT_EQ(quads.data(), storage);
}

// A headless context with the font drawing into the default framebuffer (bottom row first).
class GlFontTest : public ::testing::Test {
 protected:
  static constexpr int kWidth = 320, kHeight = 48;

  void SetUp() override {
    std::string error;
    if (!context_.Create(kWidth, kHeight, &error)) GTEST_SKIP() << "no headless OpenGL context: " << error;
    glViewport(0, 0, kWidth, kHeight);
    ASSERT_EQ(CreateGlFont(Desc(), &font_, GlFontRows::kBottomRowFirst), S_OK);
    ASSERT_NE(font_, nullptr);
  }
  void TearDown() override {
    if (HasFailure() && !frame_.empty()) SavePpm();
    SafeRelease(font_);
  }

  static D3DXFONT_DESCA Desc() {
    D3DXFONT_DESCA desc{};
    desc.Height = 20;
    desc.Weight = 700;
    desc.MipLevels = 1;
    desc.CharSet = 129;
    std::strcpy(desc.FaceName, "Arial");
    return desc;
  }
  static void ClearTo(float r, float g, float b) {
    glClearColor(r, g, b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
  }
  // The frame with rows from the top down.
  void ReadFrame() {
    std::vector<uint8_t> bottomUp(static_cast<size_t>(kWidth) * kHeight * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    frame_.resize(bottomUp.size());
    const size_t row = static_cast<size_t>(kWidth) * 4;
    for (int y = 0; y < kHeight; ++y) std::memcpy(&frame_[y * row], &bottomUp[(kHeight - 1 - y) * row], row);
  }
  Rgba At(int x, int y) const {
    const uint8_t* p = &frame_[(static_cast<size_t>(y) * kWidth + x) * 4];
    return {p[0], p[1], p[2], p[3]};
  }
  // Pixels that differ from `background`, inside and outside `rect`.
  void CountChanged(const RECT& rect, Rgba background, int* inside, int* outside) const {
    *inside = *outside = 0;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        const Rgba p = At(x, y);
        if (p.r == background.r && p.g == background.g && p.b == background.b) continue;
        const bool in = x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
        ++(in ? *inside : *outside);
      }
    }
  }
  void SavePpm() const {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::filesystem::create_directories(HATCHING_TEST_OUT);
    std::ofstream out(std::string(HATCHING_TEST_OUT) + "/" + info->name() + ".ppm", std::ios::binary);
    out << "P6\n" << kWidth << " " << kHeight << "\n255\n";
    for (size_t i = 0; i < frame_.size(); i += 4) out.write(reinterpret_cast<const char*>(&frame_[i]), 3);
  }

  EglContext context_;
  ID3DXFont* font_ = nullptr;
  std::vector<uint8_t> frame_;
};

TEST_F(GlFontTest, HangulOverlayLineStaysInsideItsRectangle) {
  ClearTo(0, 0, 1);
  const std::string line = OverlayLine4();
  RECT rect{1, 10, static_cast<int32_t>(line.size()) * 20, 30};
  EXPECT_EQ(font_->DrawTextA(nullptr, line.c_str(), -1, &rect, 0, 0xFF00FFFF), 20);
  ReadFrame();
  int inside = 0, outside = 0;
  CountChanged(rect, {0, 0, 255, 255}, &inside, &outside);
  EXPECT_GT(inside, 600);
  EXPECT_EQ(outside, 0);
  // Full coverage shows the text colour itself.
  EXPECT_EQ(At(0, 0), (Rgba{0, 0, 255, 255}));
  bool cyan = false;
  for (int y = 10; y < 30 && !cyan; ++y)
    for (int x = 1; x < kWidth && !cyan; ++x) cyan = At(x, y) == Rgba{0, 255, 255, 255};
  EXPECT_TRUE(cyan);
}

TEST_F(GlFontTest, HangulSyllablesAloneDrawGlyphPixels) {
  ClearTo(0, 0, 0);
  const char bytes[] = "\xC0\xCC\xB5\xBF";  // 이동
  RECT rect{10, 5, 100, 25};
  font_->DrawTextA(nullptr, bytes, -1, &rect, 0, 0xFFFFFFFF);
  ReadFrame();
  int inside = 0, outside = 0;
  CountChanged(rect, {0, 0, 0, 255}, &inside, &outside);
  EXPECT_GT(inside, 80);
  EXPECT_EQ(outside, 0);
}

TEST_F(GlFontTest, ClippedToTheRectangle) {
  ClearTo(0, 0, 0);
  RECT rect{0, 12, 60, 40};
  font_->DrawTextA(nullptr, "WWWWWWWWWWWWWWWW", -1, &rect, 0, 0xFFFFFFFF);
  ReadFrame();
  int inside = 0, outside = 0;
  CountChanged(rect, {0, 0, 0, 255}, &inside, &outside);
  EXPECT_GT(inside, 100);
  EXPECT_EQ(outside, 0);

  ClearTo(0, 0, 0);
  RECT empty{50, 10, 20, 30};
  font_->DrawTextA(nullptr, "WWWW", -1, &empty, 0, 0xFFFFFFFF);
  ReadFrame();
  CountChanged({0, 0, 0, 0}, {0, 0, 0, 255}, &inside, &outside);
  EXPECT_EQ(outside, 0);
}

TEST_F(GlFontTest, PackedArgbColourIsBlendedByItsAlpha) {
  RECT rect{2, 2, 300, 40};
  int brightest[2] = {0, 0};
  for (int pass = 0; pass < 2; ++pass) {
    ClearTo(0, 0, 0);
    font_->DrawTextA(nullptr, "IIII", -1, &rect, 0, pass == 0 ? 0xFFFF0000u : 0x80FF0000u);
    ReadFrame();
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        EXPECT_EQ(At(x, y).g, 0);
        EXPECT_EQ(At(x, y).b, 0);
        brightest[pass] = std::max<int>(brightest[pass], At(x, y).r);
      }
    }
  }
  EXPECT_EQ(brightest[0], 255);
  EXPECT_NEAR(brightest[1], 128, 2);
}

TEST_F(GlFontTest, CountLimitsTheBytesAndTheResultIsTheTextHeight) {
  RECT rect{0, 0, 300, 48};
  ClearTo(0, 0, 0);
  EXPECT_EQ(font_->DrawTextA(nullptr, "HHHHHH", 1, &rect, 0, 0xFFFFFFFF), 20);
  ReadFrame();
  int inside = 0, outside = 0;
  CountChanged({0, 0, 20, 20}, {0, 0, 0, 255}, &inside, &outside);
  EXPECT_GT(inside, 20);
  EXPECT_EQ(outside, 0);
  EXPECT_EQ(font_->DrawTextA(nullptr, "H\nH", -1, &rect, 0, 0xFFFFFFFF), 40);
  EXPECT_EQ(font_->DrawTextA(nullptr, nullptr, -1, &rect, 0, 0xFFFFFFFF), 0);
  EXPECT_EQ(font_->DrawTextA(nullptr, "H", -1, nullptr, 0, 0xFFFFFFFF), 0);
}

TEST_F(GlFontTest, LeavesEveryGlStateAsItFoundIt) {
  GLuint vertexArray = 0, buffer = 0, texture = 0, sampler = 0;
  glGenVertexArrays(1, &vertexArray);
  glGenBuffers(1, &buffer);
  glGenTextures(1, &texture);
  glGenSamplers(1, &sampler);
  glBindVertexArray(vertexArray);
  glBindBuffer(GL_ARRAY_BUFFER, buffer);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, texture);
  glBindSampler(0, sampler);
  glActiveTexture(GL_TEXTURE3);
  glEnable(GL_DEPTH_TEST);
  glDepthMask(GL_TRUE);
  glEnable(GL_CULL_FACE);
  glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
  glDisable(GL_BLEND);
  glBlendFuncSeparate(GL_ONE, GL_ZERO, GL_DST_ALPHA, GL_SRC_COLOR);
  glDisable(GL_SCISSOR_TEST);
  glScissor(3, 4, 5, 6);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 8);

  RECT rect{0, 0, 300, 40};
  font_->DrawTextA(nullptr, "New glyphs: \xC6\xAE\xB1\xA4", -1, &rect, 0, 0xFFFFFFFF);

  auto integer = [](GLenum name) {
    GLint value[4] = {};
    glGetIntegerv(name, value);
    return value[0];
  };
  EXPECT_EQ(integer(GL_CURRENT_PROGRAM), 0);
  EXPECT_EQ(integer(GL_VERTEX_ARRAY_BINDING), static_cast<GLint>(vertexArray));
  EXPECT_EQ(integer(GL_ARRAY_BUFFER_BINDING), static_cast<GLint>(buffer));
  EXPECT_EQ(integer(GL_ACTIVE_TEXTURE), GL_TEXTURE3);
  glActiveTexture(GL_TEXTURE0);
  EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D), static_cast<GLint>(texture));
  EXPECT_EQ(integer(GL_SAMPLER_BINDING), static_cast<GLint>(sampler));
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
  EXPECT_FALSE(glIsEnabled(GL_BLEND));
  EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
  EXPECT_EQ(integer(GL_DEPTH_WRITEMASK), GL_TRUE);
  EXPECT_EQ(integer(GL_POLYGON_MODE), GL_LINE);
  EXPECT_EQ(integer(GL_BLEND_SRC_RGB), GL_ONE);
  EXPECT_EQ(integer(GL_BLEND_DST_RGB), GL_ZERO);
  EXPECT_EQ(integer(GL_BLEND_SRC_ALPHA), GL_DST_ALPHA);
  EXPECT_EQ(integer(GL_BLEND_DST_ALPHA), GL_SRC_COLOR);
  EXPECT_EQ(integer(GL_UNPACK_ALIGNMENT), 8);
  GLint box[4] = {};
  glGetIntegerv(GL_SCISSOR_BOX, box);
  EXPECT_EQ(box[0], 3);
  EXPECT_EQ(box[3], 6);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

  glBindVertexArray(0);
  glDeleteSamplers(1, &sampler);
  glDeleteTextures(1, &texture);
  glDeleteBuffers(1, &buffer);
  glDeleteVertexArrays(1, &vertexArray);
}

TEST_F(GlFontTest, TopRowFirstFramebufferGetsRowsFromTheTop) {
  ID3DXFont* topFirst = nullptr;
  ASSERT_EQ(CreateGlFont(Desc(), &topFirst, GlFontRows::kTopRowFirst), S_OK);
  GLuint framebuffer = 0, colour = 0;
  glGenFramebuffers(1, &framebuffer);
  glGenRenderbuffers(1, &colour);
  glBindRenderbuffer(GL_RENDERBUFFER, colour);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, kWidth, kHeight);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
  ASSERT_EQ(glCheckFramebufferStatus(GL_FRAMEBUFFER), static_cast<GLenum>(GL_FRAMEBUFFER_COMPLETE));
  ClearTo(0, 0, 0);
  RECT rect{4, 2, 200, 22};
  topFirst->DrawTextA(nullptr, "Hg", -1, &rect, 0, 0xFFFFFFFF);
  frame_.resize(static_cast<size_t>(kWidth) * kHeight * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, kWidth, kHeight, GL_RGBA, GL_UNSIGNED_BYTE, frame_.data());  // row 0 is the top here
  int inside = 0, outside = 0;
  CountChanged(rect, {0, 0, 0, 255}, &inside, &outside);
  EXPECT_GT(inside, 50);
  EXPECT_EQ(outside, 0);
  // The H's top sits near the top of the line and the g's tail below the baseline.
  int firstRow = kHeight, lastRow = -1;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      if (At(x, y).r) firstRow = std::min(firstRow, y), lastRow = std::max(lastRow, y);
  EXPECT_LE(firstRow, 7);
  EXPECT_GE(lastRow, 18);
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glDeleteRenderbuffers(1, &colour);
  glDeleteFramebuffers(1, &framebuffer);
  SafeRelease(topFirst);
}

// Through the device, as the program draws its overlay.
class GlFontDeviceTest : public GlDeviceTest {};

TEST_F(GlFontDeviceTest, OverlayTextLandsInItsRectangleOnThePresentedFrame) {
  ID3DXFont* font = nullptr;
  ASSERT_EQ(D3DXCreateFontA(device_, 20, 0, 700, 1, 0, 129, 0, 0, 0, "Arial", &font), S_OK);
  Start(0xFF0000FFu);
  RECT rect{1, 10, 60, 30};
  font->DrawTextA(nullptr, "[\xC0\xCC\xB5\xBF]", -1, &rect, 0, 0xFF00FFFFu);
  Finish();
  int inside = 0, outside = 0;
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) {
      if (Pixel(x, y) == Rgba{0, 0, 255, 255}) continue;
      const bool in = x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
      ++(in ? inside : outside);
    }
  }
  EXPECT_GT(inside, 100);
  EXPECT_EQ(outside, 0);
  SafeRelease(font);
  SaveIfFailed();
}

}  // namespace
