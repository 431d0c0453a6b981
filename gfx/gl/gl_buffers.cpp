// Vertex buffers mapped while locked, index buffers with a shadow copy on the processor, and
// the vertex declaration.
#include <algorithm>
#include <cstring>

#include "gfx/gl/gl_device.h"
#include "gfx/gl/gl_resources.h"

bool GlBufferStorage::Create(GlDevice* device, UINT length, Access access) {
  device_ = device;
  access_ = access;
  size_ = length;
  // Both kinds start zeroed; mapped storage needs the zeros only for the initial upload.
  std::vector<uint8_t> zeros(length, 0);
  glGenBuffers(1, &name_);
  // The copy-write target belongs to no draw state, so uploads leave the device's bindings alone.
  glBindBuffer(GL_COPY_WRITE_BUFFER, name_);
  glBufferData(GL_COPY_WRITE_BUFFER, length, zeros.data(), GL_DYNAMIC_DRAW);
  if (access_ == Access::kShadow) shadow_ = std::move(zeros);
  return glGetError() == GL_NO_ERROR;
}

void GlBufferStorage::Destroy() {
  if (!name_) return;
  device_->cache().ForgetBuffer(name_);
  glDeleteBuffers(1, &name_);
  name_ = 0;
}

HRESULT GlBufferStorage::Lock(UINT offset, UINT size, void** data) {
  if (!data || locked_) return D3DERR_INVALIDCALL;
  if (size == 0) size = offset < size_ ? size_ - offset : 0;
  if (static_cast<uint64_t>(offset) + size > size_ || size == 0) return D3DERR_INVALIDCALL;
  device_->FlushDraw();
  if (access_ == Access::kMapped) {
    // Read and write: a lock keeps the contents, as the platform's lock without flags does.
    glBindBuffer(GL_COPY_WRITE_BUFFER, name_);
    void* mapped = glMapBufferRange(GL_COPY_WRITE_BUFFER, offset, size, GL_MAP_READ_BIT | GL_MAP_WRITE_BIT);
    if (!mapped) return D3DERR_INVALIDCALL;
    *data = mapped;
  } else {
    *data = shadow_.data() + offset;
  }
  locked_ = true;
  lockOffset_ = offset;
  lockSize_ = size;
  return S_OK;
}

HRESULT GlBufferStorage::Unlock() {
  if (!locked_) return D3DERR_INVALIDCALL;
  device_->FlushDraw();
  locked_ = false;
  glBindBuffer(GL_COPY_WRITE_BUFFER, name_);
  if (access_ == Access::kMapped) {
    // False only when the driver lost the contents while mapped (a mode switch, say).
    return glUnmapBuffer(GL_COPY_WRITE_BUFFER) ? S_OK : D3DERR_INVALIDCALL;
  }
  glBufferSubData(GL_COPY_WRITE_BUFFER, lockOffset_, lockSize_, shadow_.data() + lockOffset_);
  return S_OK;
}

GlVertexBuffer::GlVertexBuffer(GlDevice* device) : device_(device), serial_(device->NextSerial()) {
  device_->AddRef();
}

GlVertexBuffer::~GlVertexBuffer() {
  device_->Forget(this);
  storage_.Destroy();
  device_->Release();
}

HRESULT GlVertexBuffer::Create(GlDevice* device, UINT length, IDirect3DVertexBuffer9** out) {
  auto* buffer = new GlVertexBuffer(device);
  if (!buffer->storage_.Create(device, length, GlBufferStorage::Access::kMapped)) {
    buffer->Release();
    return E_OUTOFMEMORY;
  }
  *out = buffer;
  return S_OK;
}

HRESULT GlVertexBuffer::Lock(UINT offsetToLock, UINT sizeToLock, void** data, DWORD) {
  return storage_.Lock(offsetToLock, sizeToLock, data);
}

HRESULT GlVertexBuffer::Unlock() {
  return storage_.Unlock();
}

GlIndexBuffer::GlIndexBuffer(GlDevice* device) : device_(device) {
  device_->AddRef();
}

GlIndexBuffer::~GlIndexBuffer() {
  device_->Forget(this);
  storage_.Destroy();
  device_->Release();
}

HRESULT GlIndexBuffer::Create(GlDevice* device, UINT length, D3DFORMAT format, IDirect3DIndexBuffer9** out) {
  if (format != D3DFMT_INDEX16 || length % 2 != 0) return D3DERR_INVALIDCALL;
  auto* buffer = new GlIndexBuffer(device);
  if (!buffer->storage_.Create(device, length, GlBufferStorage::Access::kShadow)) {
    buffer->Release();
    return E_OUTOFMEMORY;
  }
  *out = buffer;
  return S_OK;
}

HRESULT GlIndexBuffer::Lock(UINT offsetToLock, UINT sizeToLock, void** data, DWORD) {
  return storage_.Lock(offsetToLock, sizeToLock, data);
}

HRESULT GlIndexBuffer::Unlock() {
  return storage_.Unlock();
}

uint16_t GlIndexBuffer::MaxIndex(UINT first, UINT count) const {
  uint16_t largest = 0;
  const uint8_t* bytes = storage_.bytes() + static_cast<size_t>(first) * 2;
  for (UINT i = 0; i < count; ++i) {
    uint16_t index;
    std::memcpy(&index, bytes + static_cast<size_t>(i) * 2, 2);
    if (index > largest) largest = index;
  }
  return largest;
}

GlVertexDeclaration::GlVertexDeclaration(GlDevice* device) : device_(device), serial_(device->NextSerial()) {
  device_->AddRef();
}

GlVertexDeclaration::~GlVertexDeclaration() {
  device_->Forget(this);
  device_->Release();
}

HRESULT GlVertexDeclaration::Create(GlDevice* device, const D3DVERTEXELEMENT9* elements,
                                    IDirect3DVertexDeclaration9** out) {
  // A declaration longer than this has lost its end marker.
  constexpr int kMaxElements = 64;
  Element parsed[kAttributeUsageCount];
  UINT extent = 0;
  int i = 0;
  for (; i < kMaxElements && elements[i].Stream != 0xFF; ++i) {
    const D3DVERTEXELEMENT9& element = elements[i];
    GLint components = 0;
    if (element.Type == D3DDECLTYPE_FLOAT2) components = 2;
    if (element.Type == D3DDECLTYPE_FLOAT3) components = 3;
    if (element.Stream != 0 || components == 0) return D3DERR_INVALIDCALL;
    extent = std::max<UINT>(extent, element.Offset + static_cast<UINT>(components) * 4);
    int usage = -1;
    if (element.Usage == D3DDECLUSAGE_POSITION && element.UsageIndex == 0) usage = kAttributePosition;
    if (element.Usage == D3DDECLUSAGE_NORMAL && element.UsageIndex == 0) usage = kAttributeNormal;
    if (element.Usage == D3DDECLUSAGE_TEXCOORD && element.UsageIndex == 0) usage = kAttributeTexcoord0;
    if (usage < 0) continue;  // an input no program reads
    if (parsed[usage].present) return D3DERR_INVALIDCALL;
    parsed[usage] = {true, element.Offset, components};
  }
  if (i == kMaxElements) return D3DERR_INVALIDCALL;
  auto* declaration = new GlVertexDeclaration(device);
  for (int usage = 0; usage < kAttributeUsageCount; ++usage) declaration->elements_[usage] = parsed[usage];
  declaration->extent_ = extent;
  *out = declaration;
  return S_OK;
}
