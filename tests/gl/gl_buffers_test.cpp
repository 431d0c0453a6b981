// Vertex buffers that Lock maps instead of copying: contents kept from lock to lock, ranges
// written in place, the next frame drawn from what was written, and an index buffer's shadow.
#include <cstring>
#include <vector>

#include "tests/gl/gl_test_support.h"

namespace {

using GlBuffers = GlDeviceTest;
using GlBufferFrames = GlEffectTest;

std::vector<uint8_t> Contents(IDirect3DVertexBuffer9* buffer, UINT size) {
  void* data = nullptr;
  EXPECT_EQ(buffer->Lock(0, 0, &data, 0), S_OK);
  std::vector<uint8_t> bytes(size);
  if (data) std::memcpy(bytes.data(), data, size);
  EXPECT_EQ(buffer->Unlock(), S_OK);
  return bytes;
}

TEST_F(GlBuffers, AVertexBufferStartsZeroedAndKeepsWhatEachLockWrote) {
  IDirect3DVertexBuffer9* buffer = nullptr;
  ASSERT_EQ(device_->CreateVertexBuffer(256, 0, 0, D3DPOOL_DEFAULT, &buffer, nullptr), S_OK);
  EXPECT_EQ(Contents(buffer, 256), std::vector<uint8_t>(256, 0));

  void* data = nullptr;
  ASSERT_EQ(buffer->Lock(0, 0, &data, 0), S_OK);
  for (int i = 0; i < 256; ++i) static_cast<uint8_t*>(data)[i] = static_cast<uint8_t>(i);
  ASSERT_EQ(buffer->Unlock(), S_OK);
  // A range lock hands out that range and leaves the rest as it was.
  ASSERT_EQ(buffer->Lock(64, 32, &data, 0), S_OK);
  EXPECT_EQ(static_cast<uint8_t*>(data)[0], 64) << "the range starts at its offset";
  std::memset(data, 0xEE, 32);
  ASSERT_EQ(buffer->Unlock(), S_OK);

  std::vector<uint8_t> expected(256);
  for (int i = 0; i < 256; ++i) expected[i] = i >= 64 && i < 96 ? 0xEE : static_cast<uint8_t>(i);
  EXPECT_EQ(Contents(buffer, 256), expected);
  buffer->Release();
}

TEST_F(GlBuffers, ABufferReleasedWhileLockedGoesCleanly) {
  IDirect3DVertexBuffer9* buffer = nullptr;
  ASSERT_EQ(device_->CreateVertexBuffer(64, 0, 0, D3DPOOL_DEFAULT, &buffer, nullptr), S_OK);
  void* data = nullptr;
  ASSERT_EQ(buffer->Lock(0, 0, &data, 0), S_OK);
  buffer->Release();
  // The device goes on working with a new buffer.
  ASSERT_EQ(device_->CreateVertexBuffer(64, 0, 0, D3DPOOL_DEFAULT, &buffer, nullptr), S_OK);
  EXPECT_EQ(Contents(buffer, 64), std::vector<uint8_t>(64, 0));
  buffer->Release();
}

TEST_F(GlBufferFrames, EachFrameDrawsWhatTheLastLockWrote) {
  SetColor(1, 0, 0);
  const auto frame = [&](float x0, float x1) {
    // The same buffer rewritten in place, as the skinned model is every frame.
    void* data = nullptr;
    ASSERT_EQ(vertexBuffer_->Lock(0, 0, &data, 0), S_OK);
    const std::vector<TestVertex> quad = Quad(x0, -1.0f, x1, 1.0f, 0.5f);
    std::memcpy(data, quad.data(), quad.size() * sizeof(TestVertex));
    ASSERT_EQ(vertexBuffer_->Unlock(), S_OK);
    Start();
    BeginTechnique("Solid");
    ASSERT_EQ(device_->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2), S_OK);
    EndTechnique();
    Finish();
  };
  BindVertices(Quad(-1.0f, -1.0f, 0.0f, 1.0f, 0.5f));
  frame(-1.0f, 0.0f);
  ExpectPixels({{10, 32, Rgba{255, 0, 0, 255}}, {54, 32, Rgba{0, 0, 0, 255}}});
  frame(0.0f, 1.0f);
  ExpectPixels({{10, 32, Rgba{0, 0, 0, 255}}, {54, 32, Rgba{255, 0, 0, 255}}});
}

TEST_F(GlBuffers, IndexBuffersKeepTheirShadowFromLockToLock) {
  IDirect3DIndexBuffer9* indices = nullptr;
  ASSERT_EQ(device_->CreateIndexBuffer(6, 0, D3DFMT_INDEX16, D3DPOOL_DEFAULT, &indices, nullptr), S_OK);
  void* data = nullptr;
  ASSERT_EQ(indices->Lock(0, 0, &data, 0), S_OK);
  const uint16_t values[3] = {0, 1, 6};
  std::memcpy(data, values, sizeof values);
  ASSERT_EQ(indices->Unlock(), S_OK);
  ASSERT_EQ(indices->Lock(0, 0, &data, 0), S_OK);
  EXPECT_EQ(std::memcmp(data, values, sizeof values), 0);
  ASSERT_EQ(indices->Unlock(), S_OK);
  indices->Release();
}

}  // namespace
