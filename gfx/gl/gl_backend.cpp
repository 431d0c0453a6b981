// The Direct3D object of the GL backend, and the backend's own entry points.
#include "gfx/gl/gl_backend.h"

#include "gfx/gl/gl_device.h"
#include "gfx/ref_counted.h"

namespace {

class GlDirect3D final : public RefCounted<IDirect3D9> {
 public:
  HRESULT GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) override {
    if (!caps || adapter != 0) return D3DERR_INVALIDCALL;
    if (type != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
    *caps = {};
    caps->DeviceType = type;
    caps->AdapterOrdinal = adapter;
    caps->DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT;  // vertices are always transformed by GL
    return S_OK;
  }

  HRESULT CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD,
                       D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9** device) override {
    if (!device) return D3DERR_INVALIDCALL;
    *device = nullptr;
    if (adapter != 0 || !parameters) return D3DERR_INVALIDCALL;
    if (type != D3DDEVTYPE_HAL) return D3DERR_NOTAVAILABLE;
    PlatformWindow* window = parameters->hDeviceWindow ? parameters->hDeviceWindow : focusWindow;
    GlDevice* created = nullptr;
    const HRESULT result = GlDevice::Create(window, *parameters, &created);
    // As D3D does with a zero back-buffer size, the parameters come back as the device has them.
    if (created)
      parameters->MultiSampleType = created->samples() > 1 ? static_cast<DWORD>(created->samples()) : 0;
    *device = created;
    return result;
  }
};

}  // namespace

IDirect3D9* CreateGlDirect3D(UINT sdkVersion) {
  if (sdkVersion != D3D_SDK_VERSION) return nullptr;
  return new GlDirect3D();
}

bool GlCapturePresentedFrame(IDirect3DDevice9* device, std::vector<uint8_t>* rgba, int* width, int* height) {
  auto* glDevice = dynamic_cast<GlDevice*>(device);
  if (!glDevice || !rgba || !width || !height) return false;
  return glDevice->CapturePresentedFrame(rgba, width, height);
}

uint64_t GlDrawCallsLastFrame(IDirect3DDevice9* device) {
  auto* glDevice = dynamic_cast<GlDevice*>(device);
  return glDevice ? glDevice->drawCallsLastFrame() : 0;
}
