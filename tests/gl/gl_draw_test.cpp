// Drawing through an effect on the GL device: where triangles land, the depth test and D3D's
// 0..1 depth range, fill and cull modes, the SetMatrix convention and draw merging.
#include <cstring>
#include <functional>

#include "gfx/gl/gl_backend.h"
#include "tests/gl/gl_test_support.h"

namespace {

class GlDraw : public GlEffectTest {
 protected:
  // Draws `vertices` in the colour in one pass of technique "Solid".
  void DrawSolid(const std::vector<TestVertex>& vertices, float r, float g, float b) {
    SetColor(r, g, b);
    DrawWith("Solid", vertices);
  }
};

constexpr Rgba kBlack{0, 0, 0, 255}, kRed{255, 0, 0, 255}, kGreen{0, 255, 0, 255};

TEST_F(GlDraw, TriangleLandsWithNdcYUpAndRowZeroAtTheTop) {
  Start();
  // Left half of the top half of the picture.
  DrawSolid(Quad(-1.0f, 0.0f, 0.0f, 1.0f, 0.5f), 1, 0, 0);
  Finish();
  ExpectPixels({{2, 2, kRed}, {31, 31, kRed}, {32, 31, kBlack}, {31, 32, kBlack}, {2, 61, kBlack}});
}

TEST_F(GlDraw, ViewportPlacesClipSpaceFromTheTopLeft) {
  Start();
  const D3DVIEWPORT9 viewport{32, 0, 32, 32, 0.0f, 1.0f};
  device_->SetViewport(&viewport);
  DrawSolid(Quad(-1.0f, -1.0f, 1.0f, 1.0f, 0.5f), 0, 1, 0);
  Finish();
  ExpectPixels({{40, 8, kGreen}, {8, 8, kBlack}, {40, 40, kBlack}});
}

TEST_F(GlDraw, DepthTestKeepsTheNearerSurfaceOnlyWhenEnabled) {
  Start();
  device_->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  DrawSolid(Quad(-1.0f, -1.0f, 0.0f, 1.0f, 0.3f), 1, 0, 0);
  DrawSolid(Quad(-1.0f, -1.0f, 1.0f, 1.0f, 0.6f), 0, 1, 0);
  device_->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
  DrawSolid(Quad(-1.0f, -1.0f, 1.0f, -0.5f, 0.9f), 0, 0, 1);
  Finish();
  EXPECT_EQ(Pixel(10, 10), kRed);                    // the far green quad lost the depth test
  EXPECT_EQ(Pixel(50, 10), kGreen);                  // nothing nearer there
  EXPECT_EQ(Pixel(10, 60), (Rgba{0, 0, 255, 255}));  // drawn without the test
}

TEST_F(GlDraw, DepthRangeIsZeroToOneAsOnD3D) {
  Start();
  DrawSolid(Quad(-1.0f, 0.0f, 0.0f, 1.0f, -0.05f), 1, 0, 0);  // in front of the near plane
  DrawSolid(Quad(0.0f, 0.0f, 1.0f, 1.0f, 0.02f), 1, 0, 0);    // just behind it
  DrawSolid(Quad(-1.0f, -1.0f, 0.0f, 0.0f, 0.98f), 1, 0, 0);  // just before the far plane
  DrawSolid(Quad(0.0f, -1.0f, 1.0f, 0.0f, 1.05f), 1, 0, 0);   // beyond it
  Finish();
  ExpectPixels({{16, 16, kBlack}, {48, 16, kRed}, {16, 48, kRed}, {48, 48, kBlack}});
}

TEST_F(GlDraw, DepthBufferHoldsD3DDepthThroughTheViewportRange) {
  ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000u, 0.7f, 0), S_OK);
  ASSERT_EQ(device_->BeginScene(), S_OK);
  DrawSolid(Quad(-1.0f, -1.0f, 0.0f, 1.0f, 0.6f), 1, 0, 0);  // 0.6 < 0.7: passes
  DrawSolid(Quad(0.0f, -1.0f, 1.0f, 1.0f, 0.8f), 1, 0, 0);   // 0.8 > 0.7: fails
  const D3DVIEWPORT9 upperHalf{0, 0, kSize, kSize, 0.5f, 1.0f};
  device_->SetViewport(&upperHalf);
  DrawSolid(Quad(-1.0f, -1.0f, 1.0f, -0.5f, 0.2f), 0, 1, 0);  // 0.5 + 0.2 * 0.5 = 0.6: passes
  DrawSolid(Quad(-1.0f, -0.5f, 1.0f, 0.0f, 0.6f), 0, 1, 0);   // 0.8: fails
  Finish();
  ExpectPixels({{16, 8, kRed}, {48, 8, kBlack}, {48, 60, kGreen}, {48, 40, kBlack}});
}

TEST_F(GlDraw, WireframeDrawsEdgesOnlyAndPassStatesAreRestoredAtEnd) {
  Start();
  SetColor(1, 0, 0);
  DrawWith("Wire", Quad(-0.7f, -0.7f, 0.7f, 0.7f, 0.5f));
  // Solid again after End: the quad below fills.
  DrawSolid(Quad(-1.0f, -1.0f, -0.8f, -0.8f, 0.5f), 0, 1, 0);
  Finish();
  EXPECT_EQ(Pixel(16, 40), kBlack);  // inside the quad, off its edges and diagonal
  EXPECT_EQ(Pixel(32, 9), kRed);     // its top edge, at row (1 - 0.7) * 32
  EXPECT_EQ(Pixel(1, 62), kGreen);
}

TEST_F(GlDraw, CullModesFollowD3DScreenWinding) {
  // Quad() winds clockwise on screen; the mirrored copy winds counter-clockwise.
  auto clockwise = Quad(-1.0f, 0.0f, 0.0f, 1.0f, 0.5f);
  auto counterClockwise = Quad(0.0f, 0.0f, 1.0f, 1.0f, 0.5f);
  std::swap(counterClockwise[1], counterClockwise[2]);
  std::swap(counterClockwise[4], counterClockwise[5]);
  const struct {
    DWORD mode;
    bool clockwiseDrawn, counterClockwiseDrawn;
  } cases[] = {{D3DCULL_CCW, true, false}, {D3DCULL_CW, false, true}, {D3DCULL_NONE, true, true}};
  for (const auto& c : cases) {
    Start();
    device_->SetRenderState(D3DRS_CULLMODE, c.mode);
    DrawSolid(clockwise, 1, 0, 0);
    DrawSolid(counterClockwise, 1, 0, 0);
    Finish();
    EXPECT_EQ(Pixel(16, 16), c.clockwiseDrawn ? kRed : kBlack) << "cull mode " << c.mode;
    EXPECT_EQ(Pixel(48, 16), c.counterClockwiseDrawn ? kRed : kBlack) << "cull mode " << c.mode;
  }
}

// The font sets its own blend, cull, depth and scissor state through the device's cache; the next
// draw must find the device's states in force again.
TEST_F(GlDraw, OverlayTextBetweenDrawsLeavesTheDeviceStatesInForce) {
  ID3DXFont* font = nullptr;
  ASSERT_EQ(D3DXCreateFontA(device_, 20, 0, 700, 1, 0, 129, 0, 0, 0, "Arial", &font), S_OK);
  auto counterClockwise = Quad(-1.0f, -1.0f, 0.0f, 1.0f, 0.5f);
  std::swap(counterClockwise[1], counterClockwise[2]);
  std::swap(counterClockwise[4], counterClockwise[5]);
  Start();
  device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
  DrawSolid(Quad(-1.0f, 0.0f, 1.0f, 1.0f, 0.5f), 0, 1, 0);
  RECT rect{1, 1, 20, 12};
  font->DrawTextA(nullptr, "Hg", -1, &rect, 0, 0x80FFFFFFu);
  DrawSolid(Quad(0.0f, -1.0f, 1.0f, 0.0f, 0.5f), 1, 0, 0);
  DrawSolid(counterClockwise, 1, 0, 0);
  Finish();
  EXPECT_EQ(Pixel(40, 40), kRed) << "drawn outside the text's rectangle, unblended";
  EXPECT_EQ(Pixel(60, 60), kRed);
  EXPECT_EQ(Pixel(16, 48), kBlack) << "culled again after the text drew with culling off";
  EXPECT_EQ(Pixel(40, 20), kGreen);
  SafeRelease(font);
}

// The lines of a frame's overlay wait in a queue and reach GL as one draw, each line in its own
// colour and cut to its own rectangle.
TEST_F(GlDraw, LinesOfTextShareOneDrawEachInItsColourAndRectangle) {
  ID3DXFont* font = nullptr;
  ASSERT_EQ(D3DXCreateFontA(device_, 20, 0, 700, 1, 0, 129, 0, 0, 0, "Arial", &font), S_OK);
  struct Line {
    RECT rect;
    D3DCOLOR color;
  } lines[] = {
      {{0, 0, kSize, 20}, 0xFFFF0000u}, {{0, 20, 20, 40}, 0xFF00FF00u}, {{0, 40, kSize, 60}, 0xFF0000FFu}};
  Start();
  for (Line& line : lines) EXPECT_EQ(font->DrawTextA(nullptr, "WWWW", -1, &line.rect, 0, line.color), 20);
  Finish();
  EXPECT_EQ(GlDrawCallsLastFrame(device_), 1u);
  int lit[3][2] = {};  // per line: pixels in its colour inside its rectangle, and anywhere else
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x) {
      const Rgba p = Pixel(x, y);
      const uint8_t channel[3] = {p.r, p.g, p.b};
      for (int i = 0; i < 3; ++i) {
        if (channel[i] == 0) continue;
        const RECT& r = lines[i].rect;
        ++lit[i][x >= r.left && x < r.right && y >= r.top && y < r.bottom ? 0 : 1];
      }
    }
  for (int i = 0; i < 3; ++i) {
    EXPECT_GT(lit[i][0], 20) << "line " << i;
    EXPECT_EQ(lit[i][1], 0) << "line " << i;
  }
  SafeRelease(font);
}

TEST_F(GlDraw, SetMatrixComputesTheRowVectorProduct) {
  // Scale by 0.1, then move by (0.5, 0.25): with v' = v * M the small quad around the origin
  // lands centred on NDC (0.5, 0.25), pixel (48, 24). A transposed matrix would leave it at
  // the centre and put the translation into w.
  D3DXMATRIX scale, move, both;
  D3DXMatrixScaling(&scale, 0.1f, 0.1f, 1.0f);
  D3DXMatrixTranslation(&move, 0.5f, 0.25f, 0.0f);
  D3DXMatrixMultiply(&both, &scale, &move);
  Start();
  effect_->SetMatrix("matWorldViewProjection", &both);
  DrawSolid(Quad(-1.0f, -1.0f, 1.0f, 1.0f, 0.5f), 1, 0, 0);
  Finish();
  ExpectPixels({{48, 24, kRed}, {46, 22, kRed}, {32, 32, kBlack}, {48, 40, kBlack}, {52, 24, kBlack}});
}

TEST_F(GlDraw, MatrixSetInsideAPassReachesTheFollowingDraws) {
  Start();
  BindVertices(Quad(-1.0f, -1.0f, 1.0f, 1.0f, 0.5f));
  SetColor(1, 0, 0);
  D3DXMATRIX left, right;
  D3DXMATRIX half;
  D3DXMatrixScaling(&half, 0.25f, 0.25f, 1.0f);
  D3DXMatrixTranslation(&left, -0.5f, 0.0f, 0.0f);
  D3DXMatrixMultiply(&left, &half, &left);
  D3DXMatrixTranslation(&right, 0.5f, 0.0f, 0.0f);
  D3DXMatrixMultiply(&right, &half, &right);
  BeginTechnique("Solid");
  effect_->SetMatrix("matWorldViewProjection", &left);
  device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2);
  effect_->SetMatrix("matWorldViewProjection", &right);
  SetColor(0, 1, 0);
  device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2);
  EndTechnique();
  Finish();
  ExpectPixels({{16, 32, kRed}, {48, 32, kGreen}});
  EXPECT_EQ(GlDrawCallsLastFrame(device_), 2u);
}

class GlDrawMerging : public GlDraw {
 protected:
  // n one-triangle quads' worth of strips across the frame, one DrawPrimitive per triangle;
  // `between` runs before triangle `at`.
  uint64_t DrawPerTriangle(int triangles, int at, const std::function<void()>& between) {
    std::vector<TestVertex> vertices;
    for (int i = 0; i < triangles / 2; ++i) {
      const float x0 = -1.0f + 2.0f * i / (triangles / 2), x1 = -1.0f + 2.0f * (i + 1) / (triangles / 2);
      for (const TestVertex& v : Quad(x0, -1.0f, x1, 1.0f, 0.5f)) vertices.push_back(v);
    }
    Start();
    BindVertices(vertices);
    SetColor(1, 0, 0);
    BeginTechnique("Solid");
    for (int i = 0; i < triangles; ++i) {
      if (i == at) between();
      device_->DrawPrimitive(D3DPT_TRIANGLELIST, 3 * static_cast<UINT>(i), 1);
    }
    EndTechnique();
    Finish();
    return GlDrawCallsLastFrame(device_);
  }
};

TEST_F(GlDrawMerging, ConsecutiveTrianglesBecomeOneGlDraw) {
  EXPECT_EQ(DrawPerTriangle(64, -1, [] {}), 1u);
  ExpectPixels({{1, 1, kRed}, {62, 62, kRed}});
}

TEST_F(GlDrawMerging, RedundantStateKeepsTheRunWhole) {
  EXPECT_EQ(DrawPerTriangle(64, 10, [this] { device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE); }), 1u);
  EXPECT_EQ(DrawPerTriangle(64, 10, [this] { device_->SetTexture(0, nullptr); }), 1u);
}

TEST_F(GlDrawMerging, AStateChangeSplitsTheRun) {
  EXPECT_EQ(DrawPerTriangle(64, 10, [this] { device_->SetRenderState(D3DRS_FILLMODE, D3DFILL_WIREFRAME); }),
            2u);
  EXPECT_EQ(DrawPerTriangle(64, 10, [this] { SetColor(0, 1, 0); }), 2u);
  EXPECT_EQ(DrawPerTriangle(64, 10, [this] { device_->SetRenderState(D3DRS_ALPHABLENDENABLE, 1); }), 2u);
  EXPECT_EQ(
      DrawPerTriangle(64, 10, [this] { device_->SetSamplerState(3, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP); }),
      2u);
}

TEST_F(GlDrawMerging, AGapInTheVertexRangeSplitsTheRun) {
  std::vector<TestVertex> vertices = Quad(-1.0f, -1.0f, 1.0f, 1.0f, 0.5f);
  Start();
  BindVertices(vertices);
  SetColor(1, 0, 0);
  BeginTechnique("Solid");
  device_->DrawPrimitive(D3DPT_TRIANGLELIST, 3, 1);
  device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1);
  EndTechnique();
  Finish();
  EXPECT_EQ(GlDrawCallsLastFrame(device_), 2u);
}

TEST_F(GlDraw, IndexedDrawsAndDrawsPastTheBufferAreRefused) {
  Start();
  BindVertices(Quad(-1.0f, -1.0f, 1.0f, 1.0f, 0.5f));
  IDirect3DIndexBuffer9* indices = nullptr;
  ASSERT_EQ(device_->CreateIndexBuffer(12, 0, D3DFMT_INDEX16, D3DPOOL_DEFAULT, &indices, nullptr), S_OK);
  void* data = nullptr;
  ASSERT_EQ(indices->Lock(0, 0, &data, 0), S_OK);
  const uint16_t pattern[6] = {0, 1, 2, 3, 4, 40};  // the last index is past the 6 vertices
  std::memcpy(data, pattern, sizeof pattern);
  indices->Unlock();
  device_->SetIndices(indices);
  SetColor(1, 0, 0);
  BeginTechnique("Solid");
  EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 6, 0, 1), S_OK);
  EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 6, 3, 1), S_OK);  // skipped
  EXPECT_EQ(device_->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 6, 3, 2), D3DERR_INVALIDCALL);
  device_->DrawPrimitive(D3DPT_TRIANGLELIST, 4, 1);  // vertices 4..6, one past the end: skipped
  EndTechnique();
  Finish();
  EXPECT_EQ(GlDrawCallsLastFrame(device_), 1u);
  EXPECT_EQ(Pixel(2, 2), kRed);      // the top-left triangle of the quad
  EXPECT_EQ(Pixel(61, 61), kBlack);  // the refused half
  indices->Release();
}

}  // namespace
