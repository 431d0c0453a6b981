// Device and font creation, the one-time scene set-up, the view rebuild and the overlay text.
#include "render/render_context.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr float kFieldOfView = 0.7853982f;  // pi / 4
constexpr float kNearPlane = 1.0f;
constexpr float kFarPlane = 5000.0f;
// The overlay font: bold Arial at the given height, the default character set (1), one mip
// level, default width, output precision, quality and pitch.
constexpr UINT kFontWidth = 0;
constexpr UINT kFontWeightBold = 700;
constexpr UINT kFontMipLevels = 1;
constexpr BOOL kFontItalic = 0;
constexpr DWORD kFontDefaultCharset = 1;
constexpr DWORD kFontDefaultPrecision = 0, kFontDefaultQuality = 0, kFontDefaultPitch = 0;
constexpr char kFontFace[] = "Arial";

BYTE ColorByte(float channel) {
  if (channel >= 1.0f) return 255;
  if (!(channel > 0.0f)) return 0;  // also takes NaN, whose conversion would be undefined
  return static_cast<BYTE>(channel * 255.0f + 0.5f);
}

}  // namespace

D3DPRESENT_PARAMETERS PresentParameters(int width, int height, int samples) {
  D3DPRESENT_PARAMETERS parameters{};
  parameters.BackBufferWidth = static_cast<UINT>(width);
  parameters.BackBufferHeight = static_cast<UINT>(height);
  parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
  parameters.Windowed = 1;
  parameters.EnableAutoDepthStencil = 1;
  parameters.AutoDepthStencilFormat = D3DFMT_D24S8;
  parameters.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
  // D3DMULTISAMPLE_2_SAMPLES and up are the sample counts themselves.
  if (samples > 1) parameters.MultiSampleType = static_cast<DWORD>(samples);
  return parameters;
}

HRESULT RenderContext::InitDevice(HWND window, int width, int height, int fontHeightPixels) {
  backBufferWidth = width;
  backBufferHeight = height;
  fontHeight = fontHeightPixels;

  direct3d = Direct3DCreate9(D3D_SDK_VERSION);
  if (!direct3d) return E_FAIL;

  D3DPRESENT_PARAMETERS parameters = PresentParameters(width, height, samples);

  // A failed query leaves the capabilities zero, which chooses software vertex processing.
  D3DCAPS9 caps{};
  direct3d->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps);
  const DWORD behavior = (caps.DevCaps & D3DDEVCAPS_HWTRANSFORMANDLIGHT)
                             ? D3DCREATE_HARDWARE_VERTEXPROCESSING
                             : D3DCREATE_SOFTWARE_VERTEXPROCESSING;

  if (FAILED(direct3d->CreateDevice(0, D3DDEVTYPE_HAL, window, behavior, &parameters, &device)))
    return E_FAIL;
  samplesGiven = parameters.MultiSampleType > 1 ? static_cast<int>(parameters.MultiSampleType) : 1;
  if (FAILED(D3DXCreateFontA(device, fontHeight, kFontWidth, kFontWeightBold, kFontMipLevels, kFontItalic,
                             kFontDefaultCharset, kFontDefaultPrecision, kFontDefaultQuality,
                             kFontDefaultPitch, kFontFace, &font)))
    return E_FAIL;

  SetupScene();
  return S_OK;
}

void RenderContext::SetupScene() {
  objectTransform.position = D3DXVECTOR3(0.0f, 0.0f, 100.0f);
  objectTransform.pitch = -1.5707964f;
  objectTransform.yaw = 3.1415927f;
  objectTransform.roll = 0.0f;
  objectTransform.scale = D3DXVECTOR3(1.0f, 1.0f, 1.0f);

  camera.SetMode(Free);
  camera.SetPosition(D3DXVECTOR3(0.0f, 100.0f, -200.0f));

  objectTransform.BuildWorldMatrix(&world);
  camera.BuildViewMatrix(&view);

  // A zero height would make the aspect infinite; such a window has nothing to show anyway.
  const float aspect = backBufferHeight != 0
                           ? static_cast<float>(backBufferWidth) / static_cast<float>(backBufferHeight)
                           : 1.0f;
  D3DXMatrixPerspectiveFovLH(&projection, kFieldOfView, aspect, kNearPlane, kFarPlane);

  if (!device) return;
  const D3DVIEWPORT9 viewport{
      0, 0, static_cast<DWORD>(backBufferWidth), static_cast<DWORD>(backBufferHeight), 0.0f, 1.0f};
  device->SetViewport(&viewport);

  device->SetRenderState(D3DRS_SPECULARENABLE, 1);
  device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
  device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);

  device->SetSamplerState(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  device->SetSamplerState(1, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
  device->SetSamplerState(1, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  device->SetSamplerState(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
  device->SetSamplerState(1, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
}

void RenderContext::UpdateView() {
  camera.BuildViewMatrix(&view);
}

void RenderContext::ReleaseDevice() {
  SafeRelease(font);
  SafeRelease(device);
  SafeRelease(direct3d);
}

void RenderContext::DrawOverlayText(const char* text, int x, int y) {
  if (!text) return;
  // The right edge is the byte length times the font height, not offset by x.
  const int64_t right = static_cast<int64_t>(std::strlen(text)) * fontHeight;
  textRect.left = x;
  textRect.top = y;
  textRect.right = right > INT32_MAX ? INT32_MAX : static_cast<int32_t>(right);
  textRect.bottom = y + fontHeight;

  const D3DCOLOR color = (static_cast<D3DCOLOR>(ColorByte(textColor.a)) << 24) |
                         (static_cast<D3DCOLOR>(ColorByte(textColor.r)) << 16) |
                         (static_cast<D3DCOLOR>(ColorByte(textColor.g)) << 8) | ColorByte(textColor.b);
  if (font) font->DrawTextA(nullptr, text, -1, &textRect, 0, color);
}

void RenderContext::SetOverlayTextColor(float r, float g, float b, float a) {
  textColor = D3DCOLORVALUE{r, g, b, a};
}
