// Recording implementations of the graphics layer's objects.
#include "gfx/recording/recording_device.h"

#include <cstdio>

#include "base/platform.h"
#include "gfx/recording/recorded_names.h"

namespace {

// The passes of the program's effect, which every recorded frame runs through.
constexpr UINT kRecordedEffectPasses = 2;

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", value);
  return text;
}

std::string Float(float value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.9g", value);
  return text;
}

std::string Text(const char* text) {
  return text ? std::string("\"") + text + "\"" : "null";
}

template <typename Interface>
class RecordingTexture : public Recorded<Interface> {
 public:
  RecordingTexture(const std::string& kind, std::string path)
      : Recorded<Interface>(kind), path_(std::move(path)) {}
  DWORD GetLevelCount() override { return 1; }

 private:
  std::string path_;
};

class RecordingDeclaration : public Recorded<IDirect3DVertexDeclaration9> {
 public:
  RecordingDeclaration() : Recorded<IDirect3DVertexDeclaration9>("VertexDeclaration") {}
};

class RecordingTextBuffer : public Recorded<ID3DXBuffer> {
 public:
  explicit RecordingTextBuffer(std::string text) : Recorded<ID3DXBuffer>("Buffer"), text_(std::move(text)) {}
  void* GetBufferPointer() override { return text_.data(); }
  DWORD GetBufferSize() override { return static_cast<DWORD>(text_.size() + 1); }

 private:
  std::string text_;
};

class RecordingFont : public Recorded<ID3DXFont> {
 public:
  RecordingFont() : Recorded<ID3DXFont>("Font") {}
  INT DrawTextA(void* sprite, LPCSTR text, INT count, RECT* rect, DWORD format, D3DCOLOR color) override {
    std::string line = "DrawTextA(" + std::string(sprite ? "sprite" : "null") + ", " + Text(text) + ", " +
                       std::to_string(count) + ", ";
    line += rect ? "{" + std::to_string(rect->left) + ", " + std::to_string(rect->top) + ", " +
                       std::to_string(rect->right) + ", " + std::to_string(rect->bottom) + "}"
                 : "null";
    line += ", " + std::to_string(format) + ", " + Hex(color) + ")";
    Recording().Log(line);
    return rect ? rect->bottom - rect->top : 0;
  }
};

bool Readable(LPCSTR path) {
  FILE* file = OpenFile(path, "rb");
  if (!file) return false;
  std::fclose(file);
  return true;
}

// Logs a creation call and its outcome.
template <typename Concrete, typename Interface>
HRESULT Created(const std::string& call, Concrete* object, Interface** out) {
  *out = object;
  Recording().Log(call + " -> " + object->label());
  return S_OK;
}

HRESULT Refused(const std::string& call, HRESULT code) {
  Recording().Log(call + " -> failed");
  return code;
}

IDirect3D9* CreateRecordingDirect3D(UINT sdkVersion) {
  const std::string call = "Direct3DCreate9(" + std::to_string(sdkVersion) + ")";
  if (Recording().ShouldFail("Direct3DCreate9")) {
    Recording().Log(call + " -> null");
    return nullptr;
  }
  auto* direct3d = new RecordingDirect3D();
  Recording().Log(call + " -> " + direct3d->label());
  return direct3d;
}

}  // namespace

std::string LabelOf(const IUnknown* object) {
  if (!object) return "null";
  // Every object of this backend derives from Recorded<>; the label lives at the same place.
  if (auto* o = dynamic_cast<const Recorded<IDirect3DVertexBuffer9>*>(object)) return o->label();
  if (auto* o = dynamic_cast<const Recorded<IDirect3DIndexBuffer9>*>(object)) return o->label();
  if (auto* o = dynamic_cast<const Recorded<IDirect3DTexture9>*>(object)) return o->label();
  if (auto* o = dynamic_cast<const Recorded<IDirect3DCubeTexture9>*>(object)) return o->label();
  if (auto* o = dynamic_cast<const Recorded<IDirect3DVertexDeclaration9>*>(object)) return o->label();
  return "object";
}

void UseRecordingBackend() {
  Recording().Reset();
  SetDirect3DFactory(CreateRecordingDirect3D);
}

template <typename Interface>
HRESULT RecordingBuffer<Interface>::Lock(UINT offset, UINT size, void** data, DWORD flags) {
  const std::string call = "Lock(" + this->label() + ", " + std::to_string(offset) + ", " +
                           std::to_string(size) + ", " + std::to_string(flags) + ")";
  if (Recording().ShouldFail("Lock") || !data || offset > bytes_.size())
    return Refused(call, D3DERR_INVALIDCALL);
  Recording().Log(call);
  *data = bytes_.data() + offset;
  locked_ = true;
  return S_OK;
}

template <typename Interface>
HRESULT RecordingBuffer<Interface>::Unlock() {
  Recording().Log("Unlock(" + this->label() + ")");
  locked_ = false;
  return S_OK;
}

template class RecordingBuffer<IDirect3DVertexBuffer9>;
template class RecordingBuffer<IDirect3DIndexBuffer9>;

D3DXHANDLE RecordingEffect::GetTechniqueByName(LPCSTR name) {
  Recording().Log("GetTechniqueByName(" + Text(name) + ")");
  if (!name) return nullptr;
  for (const auto& known : techniqueNames_)
    if (known == name) return known.c_str();
  techniqueNames_.reserve(8);
  if (techniqueNames_.size() == techniqueNames_.capacity()) return nullptr;
  techniqueNames_.emplace_back(name);
  return techniqueNames_.back().c_str();
}

HRESULT RecordingEffect::SetTechnique(D3DXHANDLE technique) {
  Recording().Log("SetTechnique(" + Text(technique) + ")");
  return technique ? S_OK : D3DERR_INVALIDCALL;
}

HRESULT RecordingEffect::SetTexture(D3DXHANDLE parameter, IDirect3DBaseTexture9* texture) {
  const std::string name = parameter ? parameter : "";
  textures[name] = LabelOf(texture);
  Recording().Log("Effect.SetTexture(" + Text(parameter) + ", " + LabelOf(texture) + ")");
  return S_OK;
}

HRESULT RecordingEffect::SetMatrix(D3DXHANDLE parameter, const D3DXMATRIX* matrix) {
  if (!parameter || !matrix) return D3DERR_INVALIDCALL;
  matrices[parameter] = *matrix;
  std::string line = "SetMatrix(" + Text(parameter);
  for (int i = 0; i < 16; ++i) line += (i ? " " : ", ") + Float(matrix->m[i / 4][i % 4]);
  Recording().Log(line + ")");
  return S_OK;
}

HRESULT RecordingEffect::SetVector(D3DXHANDLE parameter, const D3DXVECTOR4* vector) {
  if (!parameter || !vector) return D3DERR_INVALIDCALL;
  vectors[parameter] = *vector;
  Recording().Log("SetVector(" + Text(parameter) + ", " + Float(vector->x) + " " + Float(vector->y) + " " +
                  Float(vector->z) + " " + Float(vector->w) + ")");
  return S_OK;
}

HRESULT RecordingEffect::Begin(UINT* passes, DWORD flags) {
  Recording().Log("Begin(" + std::to_string(flags) + ")");
  if (passes) *passes = kRecordedEffectPasses;
  return S_OK;
}

HRESULT RecordingEffect::BeginPass(UINT pass) {
  Recording().Log("BeginPass(" + std::to_string(pass) + ")");
  return S_OK;
}

HRESULT RecordingEffect::EndPass() {
  Recording().Log("EndPass()");
  return S_OK;
}

HRESULT RecordingEffect::End() {
  Recording().Log("End()");
  return S_OK;
}

HRESULT RecordingDevice::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                            IDirect3DVertexBuffer9** buffer, HANDLE* sharedHandle) {
  const std::string call = "CreateVertexBuffer(" + std::to_string(length) + ", " + std::to_string(usage) +
                           ", " + std::to_string(fvf) + ", " + PoolName(pool) + ", " +
                           (sharedHandle ? "handle" : "null") + ")";
  if (!buffer) return Refused(call, D3DERR_INVALIDCALL);
  *buffer = nullptr;
  if (length == 0 || Recording().ShouldFail("CreateVertexBuffer")) return Refused(call, D3DERR_INVALIDCALL);
  return Created(call, new RecordingVertexBuffer("VertexBuffer", length), buffer);
}

HRESULT RecordingDevice::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                           IDirect3DIndexBuffer9** buffer, HANDLE* sharedHandle) {
  const std::string call = "CreateIndexBuffer(" + std::to_string(length) + ", " + std::to_string(usage) +
                           ", " + FormatName(format) + ", " + PoolName(pool) + ", " +
                           (sharedHandle ? "handle" : "null") + ")";
  if (!buffer) return Refused(call, D3DERR_INVALIDCALL);
  *buffer = nullptr;
  if (length == 0 || Recording().ShouldFail("CreateIndexBuffer")) return Refused(call, D3DERR_INVALIDCALL);
  return Created(call, new RecordingIndexBuffer("IndexBuffer", length), buffer);
}

HRESULT RecordingDevice::CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements,
                                                 IDirect3DVertexDeclaration9** declaration) {
  std::string call = "CreateVertexDeclaration(";
  for (const D3DVERTEXELEMENT9* e = elements; e; ++e) {
    call += "{" + std::to_string(e->Stream) + " " + std::to_string(e->Offset) + " " +
            std::to_string(e->Type) + " " + std::to_string(e->Method) + " " + std::to_string(e->Usage) + " " +
            std::to_string(e->UsageIndex) + "}";
    if (e->Stream == 0xFF) break;
  }
  call += ")";
  if (!declaration || !elements) return Refused(call, D3DERR_INVALIDCALL);
  *declaration = nullptr;
  if (Recording().ShouldFail("CreateVertexDeclaration")) return Refused(call, D3DERR_INVALIDCALL);
  auto* created = new RecordingDeclaration();
  *declaration = created;
  Recording().Log(call + " -> " + created->label());
  return S_OK;
}

HRESULT RecordingDevice::SetVertexDeclaration(IDirect3DVertexDeclaration9* declaration) {
  Recording().Log("SetVertexDeclaration(" + LabelOf(declaration) + ")");
  return S_OK;
}

HRESULT RecordingDevice::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                                         UINT stride) {
  Recording().Log("SetStreamSource(" + std::to_string(stream) + ", " + LabelOf(buffer) + ", " +
                  std::to_string(offset) + ", " + std::to_string(stride) + ")");
  return S_OK;
}

HRESULT RecordingDevice::SetIndices(IDirect3DIndexBuffer9* buffer) {
  Recording().Log("SetIndices(" + LabelOf(buffer) + ")");
  return S_OK;
}

HRESULT RecordingDevice::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) {
  ++drawPrimitiveCalls;
  if (Recording().logging)
    Recording().Log("DrawPrimitive(" + PrimitiveTypeName(type) + ", " + std::to_string(startVertex) + ", " +
                    std::to_string(primitiveCount) + ")");
  return S_OK;
}

HRESULT RecordingDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertexIndex, UINT minVertexIndex,
                                              UINT numVertices, UINT startIndex, UINT primitiveCount) {
  Recording().Log("DrawIndexedPrimitive(" + PrimitiveTypeName(type) + ", " + std::to_string(baseVertexIndex) +
                  ", " + std::to_string(minVertexIndex) + ", " + std::to_string(numVertices) + ", " +
                  std::to_string(startIndex) + ", " + std::to_string(primitiveCount) + ")");
  return S_OK;
}

HRESULT RecordingDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
  renderStates[state] = value;
  Recording().Log("SetRenderState(" + RenderStateName(state) + ", " + RenderStateValueName(state, value) +
                  ")");
  return S_OK;
}

HRESULT RecordingDevice::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
  Recording().Log("SetSamplerState(" + std::to_string(sampler) + ", " + SamplerStateName(type) + ", " +
                  SamplerStateValueName(type, value) + ")");
  return S_OK;
}

HRESULT RecordingDevice::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
  Recording().Log("SetTexture(" + std::to_string(stage) + ", " + LabelOf(texture) + ")");
  return S_OK;
}

HRESULT RecordingDevice::LightEnable(DWORD index, BOOL enable) {
  Recording().Log("LightEnable(" + std::to_string(index) + ", " + std::to_string(enable) + ")");
  return S_OK;
}

HRESULT RecordingDevice::SetViewport(const D3DVIEWPORT9* v) {
  if (!v) return D3DERR_INVALIDCALL;
  Recording().Log("SetViewport(" + std::to_string(v->X) + ", " + std::to_string(v->Y) + ", " +
                  std::to_string(v->Width) + ", " + std::to_string(v->Height) + ", " + Float(v->MinZ) + ", " +
                  Float(v->MaxZ) + ")");
  return S_OK;
}

HRESULT RecordingDevice::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                               DWORD stencil) {
  Recording().Log("Clear(" + std::to_string(count) + ", " + (rects ? "rects" : "null") + ", " +
                  std::to_string(flags) + ", " + Hex(color) + ", " + Float(z) + ", " +
                  std::to_string(stencil) + ")");
  return S_OK;
}

HRESULT RecordingDevice::BeginScene() {
  if (Recording().ShouldFail("BeginScene")) return Refused("BeginScene()", D3DERR_INVALIDCALL);
  Recording().Log("BeginScene()");
  return S_OK;
}

HRESULT RecordingDevice::EndScene() {
  Recording().Log("EndScene()");
  return S_OK;
}

HRESULT RecordingDevice::Present(const RECT* sourceRect, const RECT* destRect, HWND destWindow,
                                 const void* dirtyRegion) {
  const bool allNull = !sourceRect && !destRect && !destWindow && !dirtyRegion;
  Recording().Log(allNull ? "Present(null, null, null, null)" : "Present(...)");
  return S_OK;
}

HRESULT RecordingDevice::CreateTextureFromFile(LPCSTR path, IDirect3DTexture9** texture) {
  const std::string call = "CreateTextureFromFile(" + Text(path) + ")";
  *texture = nullptr;
  if (Recording().ShouldFail("CreateTextureFromFile") || !Readable(path))
    return Refused(call, D3DXERR_INVALIDDATA);
  return Created(call, new RecordingTexture<IDirect3DTexture9>("Texture", path), texture);
}

HRESULT RecordingDevice::CreateCubeTextureFromFile(LPCSTR path, IDirect3DCubeTexture9** texture) {
  const std::string call = "CreateCubeTextureFromFile(" + Text(path) + ")";
  *texture = nullptr;
  if (Recording().ShouldFail("CreateCubeTextureFromFile") || !Readable(path))
    return Refused(call, D3DXERR_INVALIDDATA);
  return Created(call, new RecordingTexture<IDirect3DCubeTexture9>("CubeTexture", path), texture);
}

HRESULT RecordingDevice::CreateEffectFromFile(LPCSTR path, DWORD flags, ID3DXEffect** effect,
                                              ID3DXBuffer** compilationErrors) {
  const std::string call = "CreateEffectFromFile(" + Text(path) + ", " + std::to_string(flags) + ")";
  *effect = nullptr;
  if (compilationErrors) *compilationErrors = nullptr;
  if (!Readable(path)) {
    if (compilationErrors)
      *compilationErrors = new RecordingTextBuffer(std::string(path) + ": cannot open file");
    return Refused(call, D3DXERR_INVALIDDATA);
  }
  if (Recording().ShouldFail("CreateEffectFromFile")) {
    if (compilationErrors && !Recording().effectErrorText.empty())
      *compilationErrors = new RecordingTextBuffer(Recording().effectErrorText);
    return Refused(call, D3DXERR_INVALIDDATA);
  }
  return Created(call, new RecordingEffect(), effect);
}

HRESULT RecordingDevice::CreateFont(const D3DXFONT_DESCA& d, ID3DXFont** font) {
  const std::string call = "CreateFont(" + std::to_string(d.Height) + ", " + std::to_string(d.Width) + ", " +
                           std::to_string(d.Weight) + ", " + std::to_string(d.MipLevels) + ", " +
                           std::to_string(d.Italic) + ", " + std::to_string(d.CharSet) + ", " +
                           std::to_string(d.OutputPrecision) + ", " + std::to_string(d.Quality) + ", " +
                           std::to_string(d.PitchAndFamily) + ", " + Text(d.FaceName) + ")";
  *font = nullptr;
  if (Recording().ShouldFail("CreateFont")) return Refused(call, E_FAIL);
  return Created(call, new RecordingFont(), font);
}

HRESULT RecordingDirect3D::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) {
  Recording().Log("GetDeviceCaps(" + std::to_string(adapter) + ", " + DeviceTypeName(type) + ")");
  if (!caps || Recording().ShouldFail("GetDeviceCaps")) return D3DERR_INVALIDCALL;
  *caps =
      D3DCAPS9{type, adapter, Recording().hardwareTransformAndLight ? D3DDEVCAPS_HWTRANSFORMANDLIGHT : 0u};
  return S_OK;
}

HRESULT RecordingDirect3D::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
                                        D3DPRESENT_PARAMETERS* p, IDirect3DDevice9** device) {
  std::string call = "CreateDevice(" + std::to_string(adapter) + ", " + DeviceTypeName(type) + ", " +
                     (focusWindow ? "window" : "null") + ", " + Hex(behaviorFlags);
  if (p)
    call += ", {" + std::to_string(p->BackBufferWidth) + "x" + std::to_string(p->BackBufferHeight) +
            " format " + FormatName(p->BackBufferFormat) + " count " + std::to_string(p->BackBufferCount) +
            " swap " + SwapEffectName(p->SwapEffect) + " windowed " + std::to_string(p->Windowed) +
            " depth " + std::to_string(p->EnableAutoDepthStencil) + "/" +
            FormatName(p->AutoDepthStencilFormat) + " interval " + Hex(p->PresentationInterval) +
            (p->MultiSampleType ? " samples " + std::to_string(p->MultiSampleType) : "") + "}";
  call += ")";
  if (!device || !p) return Refused(call, D3DERR_INVALIDCALL);
  *device = nullptr;
  if (Recording().ShouldFail("CreateDevice")) return Refused(call, D3DERR_NOTAVAILABLE);
  return Created(call, new RecordingDevice(), device);
}
