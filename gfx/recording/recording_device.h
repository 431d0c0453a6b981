// The recording backend: every object of the graphics layer, with buffers that are plain memory,
// textures that only check their file can be read, an effect that remembers the values it was
// given, and a log line for every call (see recorder.h).
#pragma once

#include <map>
#include <string>
#include <vector>

#include "gfx/d3d9.h"
#include "gfx/recording/recorder.h"
#include "gfx/ref_counted.h"

// Label of a recording object, or "null".
std::string LabelOf(const IUnknown* object);

template <typename Interface>
class Recorded : public RefCounted<Interface> {
 public:
  explicit Recorded(const std::string& kind) : label_(Recording().NextLabel(kind)) {
    ++Recording().liveObjects;
  }
  ULONG Release() override {
    Recording().Log("Release(" + label_ + ")");
    return RefCounted<Interface>::Release();
  }
  const std::string& label() const { return label_; }

 protected:
  ~Recorded() override { --Recording().liveObjects; }

 private:
  std::string label_;
};

template <typename Interface>
class RecordingBuffer : public Recorded<Interface> {
 public:
  RecordingBuffer(const std::string& kind, UINT length) : Recorded<Interface>(kind), bytes_(length) {}
  HRESULT Lock(UINT offset, UINT size, void** data, DWORD flags) override;
  HRESULT Unlock() override;
  std::vector<uint8_t>& bytes() { return bytes_; }
  bool locked() const { return locked_; }

 private:
  std::vector<uint8_t> bytes_;
  bool locked_ = false;
};

using RecordingVertexBuffer = RecordingBuffer<IDirect3DVertexBuffer9>;
using RecordingIndexBuffer = RecordingBuffer<IDirect3DIndexBuffer9>;

class RecordingEffect : public Recorded<ID3DXEffect> {
 public:
  RecordingEffect() : Recorded<ID3DXEffect>("Effect") {}
  D3DXHANDLE GetTechniqueByName(LPCSTR name) override;
  HRESULT SetTechnique(D3DXHANDLE technique) override;
  HRESULT SetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9* texture) override;
  HRESULT SetMatrix(D3DXHANDLE parameter, const D3DXMATRIX* matrix) override;
  HRESULT SetVector(D3DXHANDLE parameter, const D3DXVECTOR4* vector) override;
  HRESULT Begin(UINT* passes, DWORD flags) override;
  HRESULT BeginPass(UINT pass) override;
  HRESULT EndPass() override;
  HRESULT End() override;

  // The last value set for each parameter.
  std::map<std::string, D3DXMATRIX> matrices;
  std::map<std::string, D3DXVECTOR4> vectors;
  std::map<std::string, std::string> textures;

 private:
  std::vector<std::string> techniqueNames_;
};

class RecordingDevice : public Recorded<IDirect3DDevice9> {
 public:
  RecordingDevice() : Recorded<IDirect3DDevice9>("Device") {}
  HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                             IDirect3DVertexBuffer9** buffer, HANDLE* sharedHandle) override;
  HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                            IDirect3DIndexBuffer9** buffer, HANDLE* sharedHandle) override;
  HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements,
                                  IDirect3DVertexDeclaration9** declaration) override;
  HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* declaration) override;
  HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset, UINT stride) override;
  HRESULT SetIndices(IDirect3DIndexBuffer9* buffer) override;
  HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) override;
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertexIndex, UINT minVertexIndex,
                               UINT numVertices, UINT startIndex, UINT primitiveCount) override;
  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
  HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;
  HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) override;
  HRESULT LightEnable(DWORD index, BOOL enable) override;
  HRESULT SetViewport(const D3DVIEWPORT9* viewport) override;
  HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                DWORD stencil) override;
  HRESULT BeginScene() override;
  HRESULT EndScene() override;
  HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindow,
                  const void* dirtyRegion) override;
  HRESULT CreateTextureFromFile(LPCSTR path, IDirect3DTexture9** texture) override;
  HRESULT CreateCubeTextureFromFile(LPCSTR path, IDirect3DCubeTexture9** texture) override;
  HRESULT CreateEffectFromFile(LPCSTR path, DWORD flags, ID3DXEffect** effect,
                               ID3DXBuffer** compilationErrors) override;
  HRESULT CreateFont(const D3DXFONT_DESCA& desc, ID3DXFont** font) override;

  // Render states as last set, for tests that look at the device's state rather than the log.
  std::map<DWORD, DWORD> renderStates;
  // Draw calls counted even while logging is off.
  uint64_t drawPrimitiveCalls = 0;
};

class RecordingDirect3D : public Recorded<IDirect3D9> {
 public:
  RecordingDirect3D() : Recorded<IDirect3D9>("Direct3D") {}
  HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) override;
  HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
                       D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9** device) override;
};
