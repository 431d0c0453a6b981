// RenderContext: the rendering core the application holds by value. It owns the Direct3D object,
// the device and the overlay font, and keeps the world, view and projection matrices together
// with the scene records (object transform, camera, light) they are built from.
#pragma once

#include "base/math.h"
#include "gfx/d3d9.h"
#include "scene/camera.h"
#include "scene/light.h"
#include "scene/object_transform.h"

// The program's present parameters: a windowed back buffer of width x height, discarded at each
// present, with a 24-bit depth and 8-bit stencil buffer, presented without waiting for the
// retrace, multisampled with `samples` samples a pixel when that is more than 1. Every other
// field is zero.
D3DPRESENT_PARAMETERS PresentParameters(int width, int height, int samples = 1);

class RenderContext {
 public:
  RenderContext() = default;
  RenderContext(const RenderContext&) = delete;
  RenderContext& operator=(const RenderContext&) = delete;

  // Creates the Direct3D object, the device (back buffer width x height with `samples` samples a
  // pixel, presented without waiting for the retrace) and the overlay font, then sets up the
  // scene. 0 or E_FAIL; what was made before a failure stays until ReleaseDevice.
  HRESULT InitDevice(HWND window, int width, int height, int fontHeight);
  void SetupScene();
  // Rebuilds `view` from the camera after it moved or turned.
  void UpdateView();
  // Releases font, device and Direct3D object; safe to call again.
  void ReleaseDevice();

  // Draws one overlay line at (x, y); a null text draws nothing.
  void DrawOverlayText(const char* text, int x, int y);
  void SetOverlayTextColor(float r, float g, float b, float a);

  IDirect3D9* direct3d = nullptr;
  IDirect3DDevice9* device = nullptr;
  ID3DXFont* font = nullptr;
  RECT textRect{};
  int fontHeight = 0;
  D3DCOLORVALUE textColor{1.0f, 1.0f, 0.0f, 1.0f};
  // Set up properly by SetupScene; the identity until then keeps early readers finite.
  D3DXMATRIX world = kIdentityMatrix;
  D3DXMATRIX view = kIdentityMatrix;
  D3DXMATRIX projection = kIdentityMatrix;
  ObjectTransform objectTransform;
  Camera camera;
  Light light;
  int backBufferWidth = 0;
  int backBufferHeight = 0;
  // Samples a pixel asked for (1, 2, 4 or 8), and what the device gave: the nearest it can.
  int samples = 1;
  int samplesGiven = 1;
};
