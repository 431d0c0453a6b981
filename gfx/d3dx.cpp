// The entry points of the graphics layer: backend selection and the D3DX creation helpers, which
// hand the work to the backend that made the device.
#include <cstdio>
#include <cstring>

#include "gfx/d3d9.h"

namespace {
Direct3DFactory installedFactory = nullptr;
}

void SetDirect3DFactory(Direct3DFactory factory) {
  installedFactory = factory;
}

IDirect3D9* Direct3DCreate9(UINT sdkVersion) {
  if (!installedFactory || sdkVersion != D3D_SDK_VERSION) return nullptr;
  return installedFactory(sdkVersion);
}

HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice9* device, LPCSTR path, IDirect3DTexture9** texture) {
  if (!device || !path || !texture) return D3DERR_INVALIDCALL;
  return device->CreateTextureFromFile(path, texture);
}

HRESULT D3DXCreateCubeTextureFromFileA(IDirect3DDevice9* device, LPCSTR path,
                                       IDirect3DCubeTexture9** texture) {
  if (!device || !path || !texture) return D3DERR_INVALIDCALL;
  return device->CreateCubeTextureFromFile(path, texture);
}

HRESULT D3DXCreateEffectFromFileA(IDirect3DDevice9* device, LPCSTR path, const void* defines, void* include,
                                  DWORD flags, void* pool, ID3DXEffect** effect,
                                  ID3DXBuffer** compilationErrors) {
  if (!device || !path || !effect || defines || include || pool) return D3DERR_INVALIDCALL;
  return device->CreateEffectFromFile(path, flags, effect, compilationErrors);
}

HRESULT D3DXCreateFontA(IDirect3DDevice9* device, INT height, UINT width, UINT weight, UINT mipLevels,
                        BOOL italic, DWORD charSet, DWORD outputPrecision, DWORD quality,
                        DWORD pitchAndFamily, LPCSTR faceName, ID3DXFont** font) {
  if (!device || !font) return D3DERR_INVALIDCALL;
  D3DXFONT_DESCA desc{};
  desc.Height = height;
  desc.Width = width;
  desc.Weight = weight;
  desc.MipLevels = mipLevels;
  desc.Italic = italic;
  desc.CharSet = static_cast<BYTE>(charSet);
  desc.OutputPrecision = static_cast<BYTE>(outputPrecision);
  desc.Quality = static_cast<BYTE>(quality);
  desc.PitchAndFamily = static_cast<BYTE>(pitchAndFamily);
  std::snprintf(desc.FaceName, sizeof desc.FaceName, "%s", faceName ? faceName : "");
  return device->CreateFont(desc, font);
}
