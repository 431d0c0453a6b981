// The surrounding box's buffers (see box.h), and the release of the scene's objects on the
// device.
#include "render/box.h"

#include <cstring>

#include "render/hatching_scene.h"

namespace {

// Corners in buffer order, four per face, in half edges from the centre.
constexpr float kBoxCorners[kBoxVertexCount][3] = {
    {-1, 1, -1},  {1, 1, -1},  {-1, -1, -1}, {1, -1, -1},   // z = -1
    {1, 1, -1},   {1, 1, 1},   {1, -1, -1},  {1, -1, 1},    // x = 1
    {1, 1, 1},    {-1, 1, 1},  {1, -1, 1},   {-1, -1, 1},   // z = 1
    {-1, 1, 1},   {-1, 1, -1}, {-1, -1, 1},  {-1, -1, -1},  // x = -1
    {-1, 1, 1},   {1, 1, 1},   {-1, 1, -1},  {1, 1, -1},    // y = 1
    {-1, -1, -1}, {1, -1, -1}, {-1, -1, 1},  {1, -1, 1},    // y = -1
};

}  // namespace

HRESULT HatchingScene::CreateBoxVertexBuffer(IDirect3DDevice9* device) {
  if (!device) return E_FAIL;
  if (FAILED(device->CreateVertexBuffer(kBoxVertexCount * kBoxVertexStride, 0, 0, D3DPOOL_DEFAULT,
                                        &boxVertexBuffer, nullptr)))
    return E_FAIL;
  void* data = nullptr;
  if (FAILED(boxVertexBuffer->Lock(0, 0, &data, 0))) return E_FAIL;
  // Normals and texture coordinates are left zero: the box's pass does not rely on them.
  auto* bytes = static_cast<BYTE*>(data);
  std::memset(bytes, 0, kBoxVertexCount * kBoxVertexStride);
  for (UINT i = 0; i < kBoxVertexCount; ++i) {
    const float* corner = kBoxCorners[i];
    const float position[3] = {corner[0] * kBoxEdge / 2, corner[1] * kBoxEdge / 2, corner[2] * kBoxEdge / 2};
    std::memcpy(bytes + kBoxVertexStride * i, position, sizeof position);
  }
  boxVertexBuffer->Unlock();
  return S_OK;
}

HRESULT HatchingScene::CreateBoxIndexBuffer(IDirect3DDevice9* device) {
  if (!device) return E_FAIL;
  if (FAILED(device->CreateIndexBuffer(kBoxIndexCount * sizeof(WORD), 0, D3DFMT_INDEX16, D3DPOOL_DEFAULT,
                                       &boxIndexBuffer, nullptr)))
    return E_FAIL;
  void* data = nullptr;
  if (FAILED(boxIndexBuffer->Lock(0, 0, &data, 0))) return E_FAIL;
  WORD indices[kBoxIndexCount];
  for (WORD face = 0; face < kBoxVertexCount / 4; ++face) {
    const WORD first = static_cast<WORD>(4 * face);
    const WORD pattern[6] = {first,
                             static_cast<WORD>(first + 1),
                             static_cast<WORD>(first + 2),
                             static_cast<WORD>(first + 1),
                             static_cast<WORD>(first + 3),
                             static_cast<WORD>(first + 2)};
    std::memcpy(indices + 6 * face, pattern, sizeof pattern);
  }
  std::memcpy(data, indices, sizeof indices);
  boxIndexBuffer->Unlock();
  return S_OK;
}

void HatchingScene::ReleaseResources() {
  SafeRelease(boxIndexBuffer);
  SafeRelease(boxVertexBuffer);
  SafeRelease(environmentMap);
  for (IDirect3DTexture9*& texture : hatchTextures) SafeRelease(texture);
}
