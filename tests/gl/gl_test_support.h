// Shared set-up of the GL backend tests: a headless context with a 64x64 device on it, the
// vertex layout the program uses, quads to draw, DDS files written on the fly, pixels read back
// from the presented frame (saved as a PNG under HATCHING_TEST_OUT when a check fails), and the
// test effect ready to draw with.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "gfx/d3d9.h"
#include "gfx/gl/headless/egl_context.h"

// A SkinVertex spelt out field by field, so that a test writes a vertex in one brace list.
struct TestVertex {
  float x, y, z;
  float nx, ny, nz;
  float u, v;
};
static_assert(sizeof(TestVertex) == 32, "the stride of the program's vertex declaration");

struct Rgba {
  uint8_t r, g, b, a;
  bool operator==(const Rgba&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Rgba& pixel);

// One image of a DDS file: faces (1 or 6) of width x height RGBA pixels, rows top first.
struct DdsFace {
  std::vector<Rgba> pixels;
};
// Writes an uncompressed A8R8G8B8 DDS (one mip level) under HATCHING_TEST_OUT; returns its path.
std::string WriteTestDds(const std::string& name, int width, int height, const std::vector<DdsFace>& faces);

class GlDeviceTest : public ::testing::Test {
 protected:
  static constexpr int kSize = 64;

  void SetUp() override;
  void TearDown() override;

  // Creates the effect tests/data/<name>, failing the test on a compile error.
  ID3DXEffect* LoadEffect(const std::string& name);
  // A vertex buffer holding `vertices`, bound to stream 0 with the program's declaration.
  void BindVertices(const std::vector<TestVertex>& vertices);
  // Two triangles covering NDC x0..x1, y0..y1 (y up) at depth z, wound clockwise on screen; the
  // uv runs (0, 0) at the top left to (1, 1) at the bottom right and the normal is `normal`.
  static std::vector<TestVertex> Quad(float x0, float y0, float x1, float y1, float z,
                                      std::array<float, 3> normal = {0, 0, 1});
  // Clear, BeginScene, then the caller draws; Finish ends, presents and reads the frame back.
  void Start(D3DCOLOR clear = 0xFF000000u);
  void Finish();
  Rgba Pixel(int x, int y) const;
  struct ExpectedPixel {
    int x, y;
    Rgba color;
  };
  // Expects each listed pixel of the frame to hold its colour.
  void ExpectPixels(std::initializer_list<ExpectedPixel> pixels) const;
  // Saves the frame as <test name>.png under HATCHING_TEST_OUT when the test has failed.
  void SaveIfFailed();

  // Samples a pixel the device is asked for (set before SetUp), and what it gave.
  int samples_ = 1;
  DWORD givenSampleType_ = 0;
  EglContext context_;
  IDirect3D9* direct3d_ = nullptr;
  IDirect3DDevice9* device_ = nullptr;
  IDirect3DVertexDeclaration9* declaration_ = nullptr;
  IDirect3DVertexBuffer9* vertexBuffer_ = nullptr;
  std::vector<uint8_t> frame_;
};

// The device with the effect tests/data/gl_effect_basic.fx loaded, the identity as its
// matWorldViewProjection, and culling off, so that a quad lands where its NDC corners say.
class GlEffectTest : public GlDeviceTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  void SetColor(float r, float g, float b);
  // SetTechnique, Begin and BeginPass of the technique's one pass; EndTechnique ends both.
  void BeginTechnique(const char* technique);
  void EndTechnique();
  // Binds `vertices` and draws them as one triangle list in `technique`.
  void DrawWith(const char* technique, const std::vector<TestVertex>& vertices);

  ID3DXEffect* effect_ = nullptr;
};
