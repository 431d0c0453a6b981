// The GL device: creation, capabilities, clearing, viewport and presentation.
#include "gfx/gl/gl_backend.h"
#include "tests/gl/gl_test_support.h"

namespace {

using GlDevice = GlDeviceTest;

TEST(GlDirect3D, ReportsHardwareTransformAndRefusesOtherAdapters) {
  IDirect3D9* direct3d = CreateGlDirect3D(D3D_SDK_VERSION);
  ASSERT_NE(direct3d, nullptr);
  D3DCAPS9 caps{};
  EXPECT_EQ(direct3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), S_OK);
  EXPECT_EQ(caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT, D3DDEVCAPS_HWTRANSFORMANDLIGHT);
  EXPECT_TRUE(FAILED(direct3d->GetDeviceCaps(1, D3DDEVTYPE_HAL, &caps)));
  IDirect3DDevice9* device = reinterpret_cast<IDirect3DDevice9*>(1);
  D3DPRESENT_PARAMETERS parameters{};
  EXPECT_TRUE(FAILED(direct3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &parameters, &device)));
  EXPECT_EQ(device, nullptr);
  direct3d->Release();
  EXPECT_EQ(CreateGlDirect3D(31), nullptr);
}

TEST_F(GlDevice, ClearFillsTheFrameWithTheArgbColour) {
  Start(0xFF2040C0u);
  Finish();
  EXPECT_EQ(Pixel(0, 0), (Rgba{0x20, 0x40, 0xC0, 0xFF}));
  EXPECT_EQ(Pixel(63, 63), (Rgba{0x20, 0x40, 0xC0, 0xFF}));
  EXPECT_EQ(context_.swapCount(), 1);
  EXPECT_EQ(context_.swapInterval(), 0);
}

TEST_F(GlDevice, NothingIsCapturedBeforeTheFirstPresent) {
  std::vector<uint8_t> rgba;
  int width = 0, height = 0;
  EXPECT_FALSE(GlCapturePresentedFrame(device_, &rgba, &width, &height));
  EXPECT_FALSE(GlCapturePresentedFrame(nullptr, &rgba, &width, &height));
}

TEST_F(GlDevice, ClearOnlyTouchesTheViewportWhoseOriginIsTheTopLeft) {
  Start(0xFF000000u);
  const D3DVIEWPORT9 topLeft{0, 0, 32, 16, 0.0f, 1.0f};
  ASSERT_EQ(device_->SetViewport(&topLeft), S_OK);
  ASSERT_EQ(device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000u, 1.0f, 0), S_OK);
  const D3DVIEWPORT9 whole{0, 0, kSize, kSize, 0.0f, 1.0f};
  ASSERT_EQ(device_->SetViewport(&whole), S_OK);
  const D3DRECT rect{40, 40, 48, 100};
  ASSERT_EQ(device_->Clear(1, &rect, D3DCLEAR_TARGET, 0xFF00FF00u, 1.0f, 0), S_OK);
  Finish();
  EXPECT_EQ(Pixel(1, 1), (Rgba{255, 0, 0, 255}));
  EXPECT_EQ(Pixel(31, 15), (Rgba{255, 0, 0, 255}));
  EXPECT_EQ(Pixel(32, 15), (Rgba{0, 0, 0, 255}));
  EXPECT_EQ(Pixel(31, 16), (Rgba{0, 0, 0, 255}));
  EXPECT_EQ(Pixel(44, 63), (Rgba{0, 255, 0, 255}));
  EXPECT_EQ(Pixel(44, 39), (Rgba{0, 0, 0, 255}));
}

TEST_F(GlDevice, RefusesViewportsOutsideTheBackBufferAndBadClears) {
  const D3DVIEWPORT9 tooWide{32, 0, 33, 10, 0.0f, 1.0f};
  EXPECT_EQ(device_->SetViewport(&tooWide), D3DERR_INVALIDCALL);
  const D3DVIEWPORT9 badDepth{0, 0, 10, 10, 0.5f, 1.5f};
  EXPECT_EQ(device_->SetViewport(&badDepth), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->SetViewport(nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->Clear(1, nullptr, D3DCLEAR_TARGET, 0, 1.0f, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->Clear(0, nullptr, 0, 0, 1.0f, 0), D3DERR_INVALIDCALL);
}

TEST_F(GlDevice, AcceptsTheStatesTheProgramSetsAndRefusesUnknownOnes) {
  EXPECT_EQ(device_->SetRenderState(D3DRS_LIGHTING, 0), S_OK);
  EXPECT_EQ(device_->SetRenderState(D3DRS_SPECULARENABLE, 1), S_OK);
  EXPECT_EQ(device_->LightEnable(0, 0), S_OK);
  EXPECT_EQ(device_->SetRenderState(D3DRS_FILLMODE, 7), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->SetRenderState(D3DRS_CULLMODE, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR), S_OK);
  EXPECT_EQ(device_->SetSamplerState(16, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->SetTexture(16, nullptr), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->BeginScene(), S_OK);
  EXPECT_EQ(device_->BeginScene(), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->EndScene(), S_OK);
  EXPECT_EQ(device_->EndScene(), D3DERR_INVALIDCALL);
}

TEST_F(GlDevice, BuffersLockWithinTheirSizeOnly) {
  IDirect3DVertexBuffer9* buffer = nullptr;
  ASSERT_EQ(device_->CreateVertexBuffer(64, 0, 0, D3DPOOL_DEFAULT, &buffer, nullptr), S_OK);
  void* data = nullptr;
  EXPECT_EQ(buffer->Lock(0, 65, &data, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(buffer->Lock(64, 0, &data, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(buffer->Unlock(), D3DERR_INVALIDCALL);
  ASSERT_EQ(buffer->Lock(0, 0, &data, 0), S_OK);
  EXPECT_EQ(buffer->Lock(0, 0, &data, 0), D3DERR_INVALIDCALL);
  EXPECT_EQ(buffer->Unlock(), S_OK);
  buffer->Release();

  IDirect3DIndexBuffer9* indices = nullptr;
  EXPECT_EQ(device_->CreateIndexBuffer(72, 0, D3DFMT_INDEX32, D3DPOOL_DEFAULT, &indices, nullptr),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->CreateVertexBuffer(0, 0, 0, D3DPOOL_DEFAULT, &buffer, nullptr), D3DERR_INVALIDCALL);
}

TEST_F(GlDevice, RefusesDeclarationsItCannotFeed) {
  const D3DVERTEXELEMENT9 secondStream[] = {
      {1, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()};
  const D3DVERTEXELEMENT9 twoPositions[] = {
      {0, 0, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
      {0, 12, D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
      D3DDECL_END()};
  IDirect3DVertexDeclaration9* declaration = nullptr;
  EXPECT_EQ(device_->CreateVertexDeclaration(secondStream, &declaration), D3DERR_INVALIDCALL);
  EXPECT_EQ(device_->CreateVertexDeclaration(twoPositions, &declaration), D3DERR_INVALIDCALL);
  EXPECT_EQ(declaration, nullptr);
}

}  // namespace
