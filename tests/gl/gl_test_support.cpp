// Helpers of the GL backend tests.
#include "tests/gl/gl_test_support.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <ostream>

#include "gfx/gl/gl_backend.h"
#include "model/skin_vertex.h"
#include "render/render_context.h"

#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb/stb_image_write.h>

namespace {

void Put32(std::vector<uint8_t>* bytes, uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const Rgba& pixel) {
  return out << "(" << int{pixel.r} << ", " << int{pixel.g} << ", " << int{pixel.b} << ", " << int{pixel.a}
             << ")";
}

std::string WriteTestDds(const std::string& name, int width, int height, const std::vector<DdsFace>& faces) {
  std::vector<uint8_t> bytes = {'D', 'D', 'S', ' '};
  Put32(&bytes, 124);
  Put32(&bytes, 0x1 | 0x2 | 0x4 | 0x8 | 0x1000);  // caps, height, width, pitch, pixel format
  Put32(&bytes, static_cast<uint32_t>(height));
  Put32(&bytes, static_cast<uint32_t>(width));
  Put32(&bytes, static_cast<uint32_t>(width) * 4);
  Put32(&bytes, 0);  // depth
  Put32(&bytes, 1);  // mip levels
  for (int i = 0; i < 11; ++i) Put32(&bytes, 0);
  Put32(&bytes, 32);    // pixel format size
  Put32(&bytes, 0x41);  // RGB with alpha
  Put32(&bytes, 0);
  Put32(&bytes, 32);
  Put32(&bytes, 0x00FF0000u);
  Put32(&bytes, 0x0000FF00u);
  Put32(&bytes, 0x000000FFu);
  Put32(&bytes, 0xFF000000u);
  const bool cube = faces.size() == 6;
  Put32(&bytes, 0x1000u | (cube ? 0x8u : 0u));  // texture, complex
  Put32(&bytes, cube ? 0x200u | 0xFC00u : 0u);  // cube map with all six faces
  for (int i = 0; i < 3; ++i) Put32(&bytes, 0);
  for (const DdsFace& face : faces) {
    for (const Rgba& pixel : face.pixels) {
      bytes.insert(bytes.end(), {pixel.b, pixel.g, pixel.r, pixel.a});
    }
  }
  std::filesystem::create_directories(HATCHING_TEST_OUT);
  const std::string path = std::string(HATCHING_TEST_OUT) + "/" + name;
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file) {
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
  }
  return path;
}

void GlDeviceTest::SetUp() {
  std::string error;
  if (!context_.Create(kSize, kSize, &error)) GTEST_SKIP() << "no headless OpenGL context: " << error;
  direct3d_ = CreateGlDirect3D(D3D_SDK_VERSION);
  ASSERT_NE(direct3d_, nullptr);
  D3DPRESENT_PARAMETERS parameters = PresentParameters(kSize, kSize, samples_);
  ASSERT_EQ(direct3d_->CreateDevice(0, D3DDEVTYPE_HAL, &context_, D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                    &parameters, &device_),
            S_OK);
  givenSampleType_ = parameters.MultiSampleType;
  ASSERT_EQ(device_->CreateVertexDeclaration(kSkinVertexElements, &declaration_), S_OK);
}

void GlDeviceTest::TearDown() {
  SaveIfFailed();
  SafeRelease(vertexBuffer_);
  SafeRelease(declaration_);
  SafeRelease(device_);
  SafeRelease(direct3d_);
}

ID3DXEffect* GlDeviceTest::LoadEffect(const std::string& name) {
  ID3DXEffect* effect = nullptr;
  ID3DXBuffer* errors = nullptr;
  const std::string path = std::string(HATCHING_TEST_DATA) + "/" + name;
  const HRESULT result =
      D3DXCreateEffectFromFileA(device_, path.c_str(), nullptr, nullptr, 0, nullptr, &effect, &errors);
  EXPECT_EQ(result, S_OK) << (errors ? static_cast<const char*>(errors->GetBufferPointer()) : "");
  SafeRelease(errors);
  return effect;
}

void GlDeviceTest::BindVertices(const std::vector<TestVertex>& vertices) {
  SafeRelease(vertexBuffer_);
  const UINT size = static_cast<UINT>(vertices.size() * sizeof(TestVertex));
  ASSERT_EQ(device_->CreateVertexBuffer(size, 0, 0, D3DPOOL_DEFAULT, &vertexBuffer_, nullptr), S_OK);
  void* data = nullptr;
  ASSERT_EQ(vertexBuffer_->Lock(0, 0, &data, 0), S_OK);
  std::memcpy(data, vertices.data(), size);
  ASSERT_EQ(vertexBuffer_->Unlock(), S_OK);
  device_->SetVertexDeclaration(declaration_);
  device_->SetStreamSource(0, vertexBuffer_, 0, sizeof(TestVertex));
}

std::vector<TestVertex> GlDeviceTest::Quad(float x0, float y0, float x1, float y1, float z,
                                           std::array<float, 3> normal) {
  const auto [nx, ny, nz] = normal;
  const TestVertex topLeft{x0, y1, z, nx, ny, nz, 0, 0}, topRight{x1, y1, z, nx, ny, nz, 1, 0};
  const TestVertex bottomLeft{x0, y0, z, nx, ny, nz, 0, 1}, bottomRight{x1, y0, z, nx, ny, nz, 1, 1};
  return {topLeft, topRight, bottomLeft, bottomLeft, topRight, bottomRight};
}

void GlDeviceTest::Start(D3DCOLOR clear) {
  ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, clear, 1.0f, 0), S_OK);
  ASSERT_EQ(device_->BeginScene(), S_OK);
}

void GlDeviceTest::Finish() {
  ASSERT_EQ(device_->EndScene(), S_OK);
  ASSERT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), S_OK);
  int width = 0, height = 0;
  ASSERT_TRUE(GlCapturePresentedFrame(device_, &frame_, &width, &height));
  ASSERT_EQ(width, kSize);
  ASSERT_EQ(height, kSize);
}

Rgba GlDeviceTest::Pixel(int x, int y) const {
  if (frame_.size() != static_cast<size_t>(kSize) * kSize * 4 || x < 0 || y < 0 || x >= kSize || y >= kSize) {
    return {0, 0, 0, 0};
  }
  const uint8_t* p = &frame_[(static_cast<size_t>(y) * kSize + x) * 4];
  return {p[0], p[1], p[2], p[3]};
}

void GlDeviceTest::ExpectPixels(std::initializer_list<ExpectedPixel> pixels) const {
  for (const ExpectedPixel& expected : pixels)
    EXPECT_EQ(Pixel(expected.x, expected.y), expected.color)
        << "pixel (" << expected.x << ", " << expected.y << ")";
}

void GlDeviceTest::SaveIfFailed() {
  if (!HasFailure() || frame_.empty()) return;
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::filesystem::create_directories(HATCHING_TEST_OUT);
  const std::string path =
      std::string(HATCHING_TEST_OUT) + "/" + info->test_suite_name() + "." + info->name() + ".png";
  stbi_write_png(path.c_str(), kSize, kSize, 4, frame_.data(), kSize * 4);
  std::fprintf(stderr, "frame saved to %s\n", path.c_str());
}

void GlEffectTest::SetUp() {
  GlDeviceTest::SetUp();
  if (IsSkipped() || HasFatalFailure()) return;
  effect_ = LoadEffect("gl_effect_basic.fx");
  ASSERT_NE(effect_, nullptr);
  effect_->SetMatrix("matWorldViewProjection", &kIdentityMatrix);
  device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
}

void GlEffectTest::TearDown() {
  SafeRelease(effect_);
  GlDeviceTest::TearDown();
}

void GlEffectTest::SetColor(float r, float g, float b) {
  const D3DXVECTOR4 color(r, g, b, 1);
  effect_->SetVector("Color", &color);
}

void GlEffectTest::BeginTechnique(const char* technique) {
  UINT passes = 0;
  ASSERT_EQ(effect_->SetTechnique(technique), S_OK);
  ASSERT_EQ(effect_->Begin(&passes, 0), S_OK);
  ASSERT_EQ(passes, 1u);
  ASSERT_EQ(effect_->BeginPass(0), S_OK);
}

void GlEffectTest::EndTechnique() {
  ASSERT_EQ(effect_->EndPass(), S_OK);
  ASSERT_EQ(effect_->End(), S_OK);
}

void GlEffectTest::DrawWith(const char* technique, const std::vector<TestVertex>& vertices) {
  BindVertices(vertices);
  BeginTechnique(technique);
  ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, static_cast<UINT>(vertices.size() / 3)), S_OK);
  EndTechnique();
}
