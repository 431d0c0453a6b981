// The device of the GL backend. It draws into an offscreen framebuffer of back-buffer size whose
// row 0 is the top of the picture (clip-space y is negated in every vertex shader), so D3D's
// top-left viewport and pixel coordinates apply unchanged; Present blits it upright to the
// window. With a multisample type in the present parameters that framebuffer is multisampled,
// and Present first resolves it into a plain one, which the window and captures get.
// Consecutive DrawPrimitive calls that continue one vertex range are merged into one GL draw,
// issued when anything else happens; so are consecutive lines of overlay text.
#pragma once

#include <epoxy/gl.h>

#include <cstdint>
#include <vector>

#include "gfx/d3d9.h"
#include "gfx/gl/gl_resources.h"
#include "gfx/gl/gl_state_cache.h"
#include "gfx/ref_counted.h"

// A linked program as the effect hands it to the device.
struct GlProgramBinding {
  GLuint program = 0;
  uint64_t serial = 0;
  GLint attributeLocation[kAttributeUsageCount] = {-1, -1, -1};
  GLuint uniformBuffers[2] = {0, 0};  // at binding points 0 (vertex stage) and 1 (pixel stage)
};

class GlDevice final : public RefCounted<IDirect3DDevice9> {
 public:
  static HRESULT Create(PlatformWindow* window, const D3DPRESENT_PARAMETERS& parameters, GlDevice** out);
  // Samples a pixel the back buffer has: 1, or what the driver gave for the multisample type asked.
  int samples() const { return samples_; }

  HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                             IDirect3DVertexBuffer9** buffer, HANDLE* sharedHandle) override;
  HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                            IDirect3DIndexBuffer9** buffer, HANDLE* sharedHandle) override;
  HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements,
                                  IDirect3DVertexDeclaration9** declaration) override;
  HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* declaration) override;
  HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offsetInBytes,
                          UINT stride) override;
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

  // For the backend's own objects.
  GlStateCache& cache() { return cache_; }
  const D3DVIEWPORT9& viewport() const { return viewport_; }
  // Issues the merged draw or the queued text that is still waiting, if any.
  void FlushDraw() {
    if (pendingCount_ != 0) IssuePendingDraw();
    if (pendingText_) IssuePendingText();
  }
  // `font` (a GL font) is about to queue text: what waits before it is drawn first, unless it
  // is the same font's text, which the new lines join.
  void QueueText(ID3DXFont* font);
  // GL state was changed behind the cache or the device's bindings; both are re-sent before the
  // next draw.
  void InvalidateGlState();
  // The program the next draws use; null draws nothing.
  void SetProgram(const GlProgramBinding* program);
  DWORD RenderState(D3DRENDERSTATETYPE state) const;
  uint64_t NextSerial() { return ++serials_; }
  void Forget(const GlVertexBuffer* buffer);
  void Forget(const GlIndexBuffer* buffer);
  void Forget(const GlVertexDeclaration* declaration);
  void Forget(const GlTextureObject* texture);
  void Forget(const GlProgramBinding* program);

  bool CapturePresentedFrame(std::vector<uint8_t>* rgba, int* width, int* height);
  uint64_t drawCallsLastFrame() const { return drawCallsLastFrame_; }

 private:
  struct RenderStates {
    DWORD zEnable = D3DZB_TRUE, zWriteEnable = 1, fillMode = D3DFILL_SOLID, cullMode = D3DCULL_CCW;
    DWORD alphaBlendEnable = 0, sourceBlend = D3DBLEND_ONE, destinationBlend = D3DBLEND_ZERO;
    DWORD lighting = 1, specularEnable = 0;
  };
  // Where a render state is kept and which values it takes. Both directions, SetRenderState and
  // RenderState, go through the one table of these. `drawn`: the state reaches GL, so a change
  // ends the merged draw; the others (nothing is fixed-function) are kept only to be read back.
  struct RenderStateSlot {
    D3DRENDERSTATETYPE state;
    DWORD RenderStates::*value;
    DWORD lowest, highest;
    bool drawn;
  };
  static const RenderStateSlot* FindRenderStateSlot(D3DRENDERSTATETYPE state);
  struct SamplerStates {
    DWORD minFilter = D3DTEXF_POINT, magFilter = D3DTEXF_POINT, mipFilter = D3DTEXF_NONE;
    DWORD address[3] = {D3DTADDRESS_WRAP, D3DTADDRESS_WRAP, D3DTADDRESS_WRAP};
  };

  explicit GlDevice(PlatformWindow* window);
  ~GlDevice() override;
  bool CreateFramebuffer(int width, int height, int samples);
  GLuint PresentedFramebuffer();
  void IssuePendingDraw();
  void IssuePendingText();
  bool PrepareDraw(uint64_t vertexEnd);
  void ApplyStates();
  void ApplyVertexInputs();
  void ApplySamplerObject(int unit);
  void ClearRect(GLint x, GLint y, GLsizei width, GLsizei height, GLbitfield mask);

  PlatformWindow* window_;
  int width_ = 0, height_ = 0;
  GLuint framebuffer_ = 0, colorBuffer_ = 0, depthBuffer_ = 0, vertexArray_ = 0;
  // With more than one sample: the plain framebuffer Present resolves the back buffer into.
  int samples_ = 1;
  GLuint resolveFramebuffer_ = 0, resolveBuffer_ = 0;
  GLuint samplerObjects_[kGlTextureUnits] = {};
  GlStateCache cache_;

  RenderStates states_;
  SamplerStates samplers_[kGlTextureUnits];
  GlTextureObject* textures_[kGlTextureUnits] = {};
  D3DVIEWPORT9 viewport_{};
  GlVertexDeclaration* declaration_ = nullptr;
  GlVertexBuffer* streamBuffer_ = nullptr;
  UINT streamOffset_ = 0, streamStride_ = 0;
  GlIndexBuffer* indexBuffer_ = nullptr;
  const GlProgramBinding* program_ = nullptr;
  bool statesDirty_ = true;
  bool inputsDirty_ = true;
  uint32_t enabledAttributes_ = 0;
  bool attributesUnknown_ = true;
  bool inScene_ = false;

  UINT pendingFirst_ = 0, pendingCount_ = 0;  // vertices of the merged DrawPrimitive run
  ID3DXFont* pendingText_ = nullptr;          // the font whose queued lines wait, held
  uint64_t drawCalls_ = 0, drawCallsLastFrame_ = 0;
  uint64_t serials_ = 0;
  bool presented_ = false;
};
