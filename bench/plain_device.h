// A device for timing the processor's work alone: the recording device with its log off, whose
// vertex buffers are plain memory that CreateVertexBuffer leaves untouched. A real driver's
// buffer is not zeroed by the processor either, so loading pays no page-touching pass that the
// program on a GPU would not pay.
#pragma once

#include <cstdint>
#include <memory>

#include "gfx/recording/recording_device.h"
#include "gfx/ref_counted.h"

class PlainVertexBuffer final : public RefCounted<IDirect3DVertexBuffer9> {
 public:
  explicit PlainVertexBuffer(UINT length) : bytes_(new uint8_t[length]), length_(length) {}
  HRESULT Lock(UINT offset, UINT size, void** data, DWORD) override {
    if (!data || offset > length_ || size > length_ - offset) return D3DERR_INVALIDCALL;
    *data = bytes_.get() + offset;
    return S_OK;
  }
  HRESULT Unlock() override { return S_OK; }
  uint8_t* bytes() { return bytes_.get(); }
  UINT length() const { return length_; }

 private:
  std::unique_ptr<uint8_t[]> bytes_;
  UINT length_;
};

class PlainDevice final : public RecordingDevice {
 public:
  HRESULT CreateVertexBuffer(UINT length, DWORD, DWORD, D3DPOOL, IDirect3DVertexBuffer9** buffer,
                             HANDLE*) override {
    if (!buffer || length == 0) return D3DERR_INVALIDCALL;
    *buffer = new PlainVertexBuffer(length);
    return S_OK;
  }
};
