// The graphics layer: the Direct3D 9 / D3DX9-shaped interface the rendering and model code draws
// through. Names, argument orders, numeric state values and result codes are the platform's, so
// the callers read as they would against the real thing. Backends (OpenGL, recording) implement
// the abstract interfaces; `Direct3DCreate9` returns the object of the backend installed with
// `SetDirect3DFactory`.
#pragma once

#include <cstdint>

#include "base/math.h"
#include "base/win_types.h"

using D3DCOLOR = uint32_t;
using D3DXHANDLE = const char*;
inline constexpr HRESULT D3DERR_INVALIDCALL = static_cast<HRESULT>(0x8876086Cu);
inline constexpr HRESULT D3DERR_NOTAVAILABLE = static_cast<HRESULT>(0x8876086Au);
inline constexpr HRESULT D3DXERR_INVALIDDATA = static_cast<HRESULT>(0x88760B59u);

inline constexpr UINT D3D_SDK_VERSION = 32;

using D3DRECT = RECT;

enum D3DDEVTYPE : uint32_t { D3DDEVTYPE_HAL = 1, D3DDEVTYPE_REF = 2 };
enum D3DFORMAT : uint32_t {
  D3DFMT_UNKNOWN = 0,
  D3DFMT_A8R8G8B8 = 21,
  D3DFMT_X8R8G8B8 = 22,
  D3DFMT_L8 = 50,
  D3DFMT_D24S8 = 75,
  D3DFMT_INDEX16 = 101,
  D3DFMT_INDEX32 = 102,
  D3DFMT_DXT1 = 0x31545844,  // 'DXT1'
  D3DFMT_DXT3 = 0x33545844,
  D3DFMT_DXT5 = 0x35545844,
};
enum D3DPOOL : uint32_t { D3DPOOL_DEFAULT = 0, D3DPOOL_MANAGED = 1, D3DPOOL_SYSTEMMEM = 2 };
enum D3DPRIMITIVETYPE : uint32_t { D3DPT_TRIANGLELIST = 4 };
enum D3DRENDERSTATETYPE : uint32_t {
  D3DRS_ZENABLE = 7,
  D3DRS_FILLMODE = 8,
  D3DRS_ZWRITEENABLE = 14,
  D3DRS_SRCBLEND = 19,
  D3DRS_DESTBLEND = 20,
  D3DRS_CULLMODE = 22,
  D3DRS_ALPHABLENDENABLE = 27,
  D3DRS_SPECULARENABLE = 29,
  D3DRS_LIGHTING = 137,
};
enum D3DSAMPLERSTATETYPE : uint32_t {
  D3DSAMP_ADDRESSU = 1,
  D3DSAMP_ADDRESSV = 2,
  D3DSAMP_ADDRESSW = 3,
  D3DSAMP_BORDERCOLOR = 4,
  D3DSAMP_MAGFILTER = 5,
  D3DSAMP_MINFILTER = 6,
  D3DSAMP_MIPFILTER = 7,
};
enum : DWORD { D3DTEXF_NONE = 0, D3DTEXF_POINT = 1, D3DTEXF_LINEAR = 2, D3DTEXF_ANISOTROPIC = 3 };
enum : DWORD { D3DTADDRESS_WRAP = 1, D3DTADDRESS_MIRROR = 2, D3DTADDRESS_CLAMP = 3, D3DTADDRESS_BORDER = 4 };
enum : DWORD { D3DFILL_POINT = 1, D3DFILL_WIREFRAME = 2, D3DFILL_SOLID = 3 };
enum : DWORD { D3DCULL_NONE = 1, D3DCULL_CW = 2, D3DCULL_CCW = 3 };
enum : DWORD { D3DZB_FALSE = 0, D3DZB_TRUE = 1 };
enum : DWORD {
  D3DBLEND_ZERO = 1,
  D3DBLEND_ONE = 2,
  D3DBLEND_SRCCOLOR = 3,
  D3DBLEND_INVSRCCOLOR = 4,
  D3DBLEND_SRCALPHA = 5,
  D3DBLEND_INVSRCALPHA = 6,
  D3DBLEND_DESTALPHA = 7,
  D3DBLEND_INVDESTALPHA = 8,
  D3DBLEND_DESTCOLOR = 9,
  D3DBLEND_INVDESTCOLOR = 10,
};
enum : DWORD { D3DCLEAR_TARGET = 1, D3DCLEAR_ZBUFFER = 2, D3DCLEAR_STENCIL = 4 };
enum : DWORD { D3DCREATE_SOFTWARE_VERTEXPROCESSING = 0x20, D3DCREATE_HARDWARE_VERTEXPROCESSING = 0x40 };
enum : DWORD { D3DDEVCAPS_HWTRANSFORMANDLIGHT = 0x10000 };
enum : DWORD { D3DSWAPEFFECT_DISCARD = 1 };
enum : DWORD { D3DMULTISAMPLE_NONE = 0 };
inline constexpr UINT D3DPRESENT_INTERVAL_IMMEDIATE = 0x80000000u;
inline constexpr DWORD D3DXSHADER_DEBUG = 1;

struct D3DPRESENT_PARAMETERS {
  UINT BackBufferWidth;
  UINT BackBufferHeight;
  D3DFORMAT BackBufferFormat;
  UINT BackBufferCount;
  DWORD MultiSampleType;
  DWORD MultiSampleQuality;
  DWORD SwapEffect;
  HWND hDeviceWindow;
  BOOL Windowed;
  BOOL EnableAutoDepthStencil;
  D3DFORMAT AutoDepthStencilFormat;
  DWORD Flags;
  UINT FullScreen_RefreshRateInHz;
  UINT PresentationInterval;
};

// Only the capability the program looks at is carried.
struct D3DCAPS9 {
  D3DDEVTYPE DeviceType;
  UINT AdapterOrdinal;
  DWORD DevCaps;
};

struct D3DVIEWPORT9 {
  DWORD X, Y, Width, Height;
  float MinZ, MaxZ;
};

enum D3DDECLTYPE : BYTE { D3DDECLTYPE_FLOAT2 = 1, D3DDECLTYPE_FLOAT3 = 2, D3DDECLTYPE_UNUSED = 17 };
enum D3DDECLMETHOD : BYTE { D3DDECLMETHOD_DEFAULT = 0 };
enum D3DDECLUSAGE : BYTE { D3DDECLUSAGE_POSITION = 0, D3DDECLUSAGE_NORMAL = 3, D3DDECLUSAGE_TEXCOORD = 5 };

struct D3DVERTEXELEMENT9 {
  WORD Stream;
  WORD Offset;
  BYTE Type;
  BYTE Method;
  BYTE Usage;
  BYTE UsageIndex;
};
#define D3DDECL_END() \
  { 0xFF, 0, D3DDECLTYPE_UNUSED, 0, 0, 0 }

struct D3DCOLORVALUE {
  float r, g, b, a;
};
struct D3DVECTOR {
  float x, y, z;
};
enum D3DLIGHTTYPE : uint32_t { D3DLIGHT_POINT = 1, D3DLIGHT_SPOT = 2, D3DLIGHT_DIRECTIONAL = 3 };

// Reference-counted platform object. A new object holds one reference; `Release` of the last one
// destroys it.
class IUnknown {
 public:
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  virtual ~IUnknown() = default;
};

class IDirect3DVertexBuffer9 : public IUnknown {
 public:
  // offset 0 and size 0 map the whole buffer.
  virtual HRESULT Lock(UINT offsetToLock, UINT sizeToLock, void** data, DWORD flags) = 0;
  virtual HRESULT Unlock() = 0;
};

class IDirect3DIndexBuffer9 : public IUnknown {
 public:
  virtual HRESULT Lock(UINT offsetToLock, UINT sizeToLock, void** data, DWORD flags) = 0;
  virtual HRESULT Unlock() = 0;
};

class IDirect3DVertexDeclaration9 : public IUnknown {};

class IDirect3DBaseTexture9 : public IUnknown {
 public:
  virtual DWORD GetLevelCount() = 0;
};
class IDirect3DTexture9 : public IDirect3DBaseTexture9 {};
class IDirect3DCubeTexture9 : public IDirect3DBaseTexture9 {};

class ID3DXBuffer : public IUnknown {
 public:
  virtual void* GetBufferPointer() = 0;
  virtual DWORD GetBufferSize() = 0;
};

class ID3DXFont : public IUnknown {
 public:
  // Draws byte-string text (code page 949) left/top aligned, clipped to `rect`. Returns the
  // height of the drawn text, 0 on failure.
  virtual INT DrawTextA(void* sprite, LPCSTR text, INT count, RECT* rect, DWORD format, D3DCOLOR color) = 0;
};

class ID3DXEffect : public IUnknown {
 public:
  virtual D3DXHANDLE GetTechniqueByName(LPCSTR name) = 0;
  virtual HRESULT SetTechnique(D3DXHANDLE technique) = 0;
  virtual HRESULT SetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9* texture) = 0;
  // The non-transposing set: a shader's mul(v, M) computes the row-vector product v * M.
  virtual HRESULT SetMatrix(D3DXHANDLE parameter, const D3DXMATRIX* matrix) = 0;
  virtual HRESULT SetVector(D3DXHANDLE parameter, const D3DXVECTOR4* vector) = 0;
  virtual HRESULT Begin(UINT* passes, DWORD flags) = 0;
  virtual HRESULT BeginPass(UINT pass) = 0;
  virtual HRESULT EndPass() = 0;
  virtual HRESULT End() = 0;
};

// D3DXCreateFontA's arguments in one record.
struct D3DXFONT_DESCA {
  INT Height;
  UINT Width;
  UINT Weight;
  UINT MipLevels;
  BOOL Italic;
  BYTE CharSet;
  BYTE OutputPrecision;
  BYTE Quality;
  BYTE PitchAndFamily;
  char FaceName[32];
};

class IDirect3DDevice9 : public IUnknown {
 public:
  virtual HRESULT CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                     IDirect3DVertexBuffer9** buffer, HANDLE* sharedHandle) = 0;
  virtual HRESULT CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                    IDirect3DIndexBuffer9** buffer, HANDLE* sharedHandle) = 0;
  virtual HRESULT CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements,
                                          IDirect3DVertexDeclaration9** declaration) = 0;
  virtual HRESULT SetVertexDeclaration(IDirect3DVertexDeclaration9* declaration) = 0;
  virtual HRESULT SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offsetInBytes,
                                  UINT stride) = 0;
  virtual HRESULT SetIndices(IDirect3DIndexBuffer9* buffer) = 0;
  virtual HRESULT DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) = 0;
  virtual HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertexIndex, UINT minVertexIndex,
                                       UINT numVertices, UINT startIndex, UINT primitiveCount) = 0;
  virtual HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) = 0;
  virtual HRESULT SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) = 0;
  virtual HRESULT SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) = 0;
  virtual HRESULT LightEnable(DWORD index, BOOL enable) = 0;
  virtual HRESULT SetViewport(const D3DVIEWPORT9* viewport) = 0;
  virtual HRESULT Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                        DWORD stencil) = 0;
  virtual HRESULT BeginScene() = 0;
  virtual HRESULT EndScene() = 0;
  virtual HRESULT Present(const RECT* sourceRect, const RECT* destRect, HWND destWindow,
                          const void* dirtyRegion) = 0;

  // What the D3DX helpers below need from the backend that made the device.
  virtual HRESULT CreateTextureFromFile(LPCSTR path, IDirect3DTexture9** texture) = 0;
  virtual HRESULT CreateCubeTextureFromFile(LPCSTR path, IDirect3DCubeTexture9** texture) = 0;
  virtual HRESULT CreateEffectFromFile(LPCSTR path, DWORD flags, ID3DXEffect** effect,
                                       ID3DXBuffer** compilationErrors) = 0;
  virtual HRESULT CreateFont(const D3DXFONT_DESCA& desc, ID3DXFont** font) = 0;
};

class IDirect3D9 : public IUnknown {
 public:
  virtual HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) = 0;
  virtual HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
                               D3DPRESENT_PARAMETERS* presentationParameters, IDirect3DDevice9** device) = 0;
};

// Backend selection: `Direct3DCreate9` calls the installed factory; with none installed it
// returns null, which the program treats as a device that cannot be made.
using Direct3DFactory = IDirect3D9* (*)(UINT sdkVersion);
void SetDirect3DFactory(Direct3DFactory factory);
IDirect3D9* Direct3DCreate9(UINT sdkVersion);

HRESULT D3DXCreateTextureFromFileA(IDirect3DDevice9* device, LPCSTR path, IDirect3DTexture9** texture);
HRESULT D3DXCreateCubeTextureFromFileA(IDirect3DDevice9* device, LPCSTR path,
                                       IDirect3DCubeTexture9** texture);
// Macro definitions, include handler and effect pool are not supported and must be null.
HRESULT D3DXCreateEffectFromFileA(IDirect3DDevice9* device, LPCSTR path, const void* defines, void* include,
                                  DWORD flags, void* pool, ID3DXEffect** effect,
                                  ID3DXBuffer** compilationErrors);
HRESULT D3DXCreateFontA(IDirect3DDevice9* device, INT height, UINT width, UINT weight, UINT mipLevels,
                        BOOL italic, DWORD charSet, DWORD outputPrecision, DWORD quality,
                        DWORD pitchAndFamily, LPCSTR faceName, ID3DXFont** font);

// Releases an owned reference once, only when it is held, and clears it.
template <typename T>
void SafeRelease(T*& object) {
  if (object) {
    object->Release();
    object = nullptr;
  }
}
