// Textures on the GL device: 2-D and cube DDS files sampled where D3D would sample them (v = 0
// at the top row, each cube face in its direction as D3D's left-handed lookup has it), and files
// of the wrong kind or shape refused.
#include <cmath>

#include "tests/gl/gl_test_support.h"

namespace {

using GlTextureFile = GlEffectTest;

constexpr Rgba kRed{255, 0, 0, 255}, kGreen{0, 255, 0, 255}, kBlue{0, 0, 255, 255},
    kWhite{255, 255, 255, 255};

// Quadrants in file order: top left, top right, bottom left, bottom right.
DdsFace Quadrants(Rgba topLeft, Rgba topRight, Rgba bottomLeft, Rgba bottomRight) {
  return {{topLeft, topRight, bottomLeft, bottomRight}};
}

TEST_F(GlTextureFile, FirstRowOfTheFileIsVZeroAtTheTop) {
  const std::string path = WriteTestDds("gl_flat.dds", 2, 2, {Quadrants(kRed, kGreen, kBlue, kWhite)});
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(D3DXCreateTextureFromFileA(device_, path.c_str(), &texture), S_OK);
  EXPECT_EQ(texture->GetLevelCount(), 2u);  // the missing mip chain was made
  effect_->SetTexture("FlatTexture", texture);
  Start();
  DrawWith("Flat", Quad(-1.0f, -1.0f, 1.0f, 1.0f, 0.5f));
  Finish();
  ExpectPixels({{16, 16, kRed}, {48, 16, kGreen}, {16, 48, kBlue}, {48, 48, kWhite}});
  texture->Release();
}

// A sampler block that names only its texture leaves the filters the device has: the linear
// magnification set on its unit blends the texels instead of showing them as blocks.
TEST_F(GlTextureFile, SamplerStatesABlockLeavesOutStayAsTheDeviceHasThem) {
  const std::string path = WriteTestDds("gl_bare.dds", 2, 2, {Quadrants(kRed, kGreen, kRed, kGreen)});
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(D3DXCreateTextureFromFileA(device_, path.c_str(), &texture), S_OK);
  effect_->SetTexture("FlatTexture", texture);
  constexpr DWORD kBareUnit = 2;  // units follow the samplers' order in the file
  device_->SetSamplerState(kBareUnit, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  device_->SetSamplerState(kBareUnit, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
  Start();
  DrawWith("Bare", Quad(-1.0f, -1.0f, 1.0f, 1.0f, 0.5f));
  Finish();
  EXPECT_EQ(Pixel(0, 16), kRed) << "clamped, not wrapped into the green column";
  const Rgba middle = Pixel(32, 16);
  EXPECT_GT(middle.r, 64);
  EXPECT_GT(middle.g, 64);
  texture->Release();
}

TEST_F(GlTextureFile, ReleasedTextureLeavesNoDanglingBinding) {
  const std::string path = WriteTestDds("gl_flat_release.dds", 2, 2, {Quadrants(kRed, kRed, kRed, kRed)});
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(D3DXCreateTextureFromFileA(device_, path.c_str(), &texture), S_OK);
  effect_->SetTexture("FlatTexture", texture);
  Start();
  DrawWith("Flat", Quad(-1.0f, -1.0f, 1.0f, 1.0f, 0.5f));
  effect_->SetTexture("FlatTexture", nullptr);
  texture->Release();
  DrawWith("Flat", Quad(-1.0f, -1.0f, 0.0f, 0.0f, 0.5f));  // samples no texture: black
  Finish();
  ExpectPixels({{48, 16, kRed}, {16, 48, Rgba{0, 0, 0, 255}}});
}

// D3D's cube addressing: the face of the major axis, and (u, v) on it with v down the face image.
struct CubeLookup {
  int face;
  int quadrant;  // 0 top left, 1 top right, 2 bottom left, 3 bottom right
};
CubeLookup D3DCubeLookup(float x, float y, float z) {
  const float ax = std::fabs(x), ay = std::fabs(y), az = std::fabs(z);
  int face;
  float sc, tc, ma;
  if (ax >= ay && ax >= az) {
    face = x > 0 ? 0 : 1;
    sc = x > 0 ? -z : z;
    tc = -y;
    ma = ax;
  } else if (ay >= az) {
    face = y > 0 ? 2 : 3;
    sc = x;
    tc = y > 0 ? z : -z;
    ma = ay;
  } else {
    face = z > 0 ? 4 : 5;
    sc = z > 0 ? x : -x;
    tc = -y;
    ma = az;
  }
  const float u = (sc / ma + 1) / 2, v = (tc / ma + 1) / 2;
  return {face, (v < 0.5f ? 0 : 2) + (u < 0.5f ? 0 : 1)};
}

Rgba CubeColour(int face, int quadrant) {
  return {static_cast<uint8_t>(30 + 40 * face), static_cast<uint8_t>(50 + 60 * quadrant), 128, 255};
}

TEST_F(GlTextureFile, EachCubeFaceIsSampledInItsDirectionAsOnD3D) {
  std::vector<DdsFace> faces;
  for (int face = 0; face < 6; ++face) {
    faces.push_back(
        Quadrants(CubeColour(face, 0), CubeColour(face, 1), CubeColour(face, 2), CubeColour(face, 3)));
  }
  const std::string path = WriteTestDds("gl_cube.dds", 2, 2, faces);
  IDirect3DCubeTexture9* cube = nullptr;
  ASSERT_EQ(D3DXCreateCubeTextureFromFileA(device_, path.c_str(), &cube), S_OK);
  effect_->SetTexture("CubeTexture", cube);
  // Every face's axis, each tilted towards the four quadrants of that face.
  const float axes[6][3] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
  int checked = 0;
  for (const auto& axis : axes) {
    for (float a : {-0.5f, 0.5f}) {
      for (float b : {-0.5f, 0.5f}) {
        float direction[3] = {axis[0], axis[1], axis[2]};
        int free = 0;
        for (float& component : direction) {
          if (component == 0) component = free++ == 0 ? a : b;
        }
        const CubeLookup expected = D3DCubeLookup(direction[0], direction[1], direction[2]);
        Start();
        DrawWith("Cube", Quad(-1.0f, -1.0f, 1.0f, 1.0f, 0.5f, {direction[0], direction[1], direction[2]}));
        Finish();
        EXPECT_EQ(Pixel(32, 32), CubeColour(expected.face, expected.quadrant))
            << "direction (" << direction[0] << ", " << direction[1] << ", " << direction[2] << ")";
        ++checked;
      }
    }
  }
  EXPECT_EQ(checked, 24);
  cube->Release();
}

TEST_F(GlTextureFile, FilesOfTheWrongKindOrShapeAreRefused) {
  const std::string flat = WriteTestDds("gl_kind_flat.dds", 2, 2, {Quadrants(kRed, kRed, kRed, kRed)});
  std::vector<DdsFace> faces(6, Quadrants(kRed, kRed, kRed, kRed));
  const std::string cubePath = WriteTestDds("gl_kind_cube.dds", 2, 2, faces);
  IDirect3DCubeTexture9* cube = reinterpret_cast<IDirect3DCubeTexture9*>(1);
  IDirect3DTexture9* texture = reinterpret_cast<IDirect3DTexture9*>(1);
  EXPECT_TRUE(FAILED(D3DXCreateCubeTextureFromFileA(device_, flat.c_str(), &cube)));
  EXPECT_EQ(cube, nullptr);
  EXPECT_TRUE(FAILED(D3DXCreateTextureFromFileA(device_, cubePath.c_str(), &texture)));
  EXPECT_EQ(texture, nullptr);
  EXPECT_TRUE(FAILED(D3DXCreateTextureFromFileA(device_, "./no/such/texture.dds", &texture)));

  const std::string truncated = std::string(HATCHING_TEST_OUT) + "/gl_truncated.dds";
  FILE* file = std::fopen(truncated.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fwrite("DDS |", 1, 5, file);
  std::fclose(file);
  EXPECT_TRUE(FAILED(D3DXCreateTextureFromFileA(device_, truncated.c_str(), &texture)));
  EXPECT_EQ(texture, nullptr);
}

}  // namespace
