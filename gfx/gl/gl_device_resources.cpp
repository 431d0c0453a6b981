// What the GL device creates: buffers, declarations, textures from files, effects and the font.
#include <string>

#include "gfx/gl/gl_device.h"
#include "gfx/gl/gl_effect.h"
#include "gfx/gl/gl_font.h"
#include "gfx/gl/gl_text_buffer.h"
#include "gfx/texture_image.h"

namespace {

// The font's lines wait in its queue until the device draws something else, clears, changes
// the viewport or ends the scene; then they are drawn in one call through the device's state
// cache, and the device's next draw sets its own state again through the same cache, so only
// what differs reaches GL.
class GlDeviceFont final : public RefCounted<ID3DXFont> {
 public:
  GlDeviceFont(GlDevice* device, ID3DXFont* font) : device_(device), font_(font) { device_->AddRef(); }
  INT DrawTextA(void*, LPCSTR text, INT count, RECT* rect, DWORD, D3DCOLOR color) override {
    device_->QueueText(font_);
    return QueueGlFontText(font_, text, count, rect, color);
  }

 private:
  ~GlDeviceFont() override {
    SafeRelease(font_);
    device_->Release();
  }
  GlDevice* device_;
  ID3DXFont* font_;
};

}  // namespace

HRESULT GlDevice::CreateVertexBuffer(UINT length, DWORD, DWORD, D3DPOOL, IDirect3DVertexBuffer9** buffer,
                                     HANDLE* sharedHandle) {
  if (!buffer || sharedHandle || length == 0) return D3DERR_INVALIDCALL;
  *buffer = nullptr;
  return GlVertexBuffer::Create(this, length, buffer);
}

HRESULT GlDevice::CreateIndexBuffer(UINT length, DWORD, D3DFORMAT format, D3DPOOL,
                                    IDirect3DIndexBuffer9** buffer, HANDLE* sharedHandle) {
  if (!buffer || sharedHandle || length == 0) return D3DERR_INVALIDCALL;
  *buffer = nullptr;
  return GlIndexBuffer::Create(this, length, format, buffer);
}

HRESULT GlDevice::CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements,
                                          IDirect3DVertexDeclaration9** declaration) {
  if (!elements || !declaration) return D3DERR_INVALIDCALL;
  *declaration = nullptr;
  return GlVertexDeclaration::Create(this, elements, declaration);
}

HRESULT GlDevice::CreateTextureFromFile(LPCSTR path, IDirect3DTexture9** texture) {
  if (!path || !texture) return D3DERR_INVALIDCALL;
  *texture = nullptr;
  TextureImage image;
  std::string error;
  if (!LoadTextureImage(path, &image, &error)) return D3DXERR_INVALIDDATA;
  return GlTexture::Create(this, image, texture);
}

HRESULT GlDevice::CreateCubeTextureFromFile(LPCSTR path, IDirect3DCubeTexture9** texture) {
  if (!path || !texture) return D3DERR_INVALIDCALL;
  *texture = nullptr;
  TextureImage image;
  std::string error;
  if (!LoadTextureImage(path, &image, &error)) return D3DXERR_INVALIDDATA;
  return GlCubeTexture::Create(this, image, texture);
}

HRESULT GlDevice::CreateEffectFromFile(LPCSTR path, DWORD, ID3DXEffect** effect,
                                       ID3DXBuffer** compilationErrors) {
  if (compilationErrors) *compilationErrors = nullptr;
  if (!path || !effect) return D3DERR_INVALIDCALL;
  *effect = nullptr;
  std::string errors;
  const HRESULT result = GlEffect::Create(this, path, effect, &errors);
  if (FAILED(result) && compilationErrors) *compilationErrors = CreateTextBuffer(errors);
  return result;
}

HRESULT GlDevice::CreateFont(const D3DXFONT_DESCA& desc, ID3DXFont** font) {
  if (!font) return D3DERR_INVALIDCALL;
  *font = nullptr;
  ID3DXFont* inner = nullptr;
  window_->MakeCurrent();
  const HRESULT result = CreateGlFont(desc, &inner, GlFontRows::kTopRowFirst);
  InvalidateGlState();
  if (FAILED(result)) return result;
  *font = new GlDeviceFont(this, inner);
  return S_OK;
}
