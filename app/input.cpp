// The window's message handler: keys and right-button drags move and turn the camera, the keypad
// moves the light, Space toggles the fill mode; activation, size and the end of the program.
#include "app/hatching_app.h"

namespace {

constexpr float kMoveStep = 10.0f;
constexpr float kRollStep = 0.017453292f;  // one degree
constexpr float kLightStep = 100.0f;
constexpr float kLookSensitivity = 0.005f;  // radians per pixel

// Cursor coordinates are unsigned 16-bit client pixels.
int CursorX(LPARAM lParam) {
  return LOWORD(static_cast<uintptr_t>(lParam));
}
int CursorY(LPARAM lParam) {
  return HIWORD(static_cast<uintptr_t>(lParam));
}

}  // namespace

LRESULT HatchingApp::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  Camera& camera = renderContext.camera;
  switch (message) {
    case WM_CREATE:
      return 0;
    case WM_DESTROY:
      if (windowSystem_) windowSystem_->PostQuitMessage(0);
      return 0;
    case WM_SIZE:
      SetClientSize(LOWORD(static_cast<uintptr_t>(lParam)), HIWORD(static_cast<uintptr_t>(lParam)));
      return 0;
    case WM_ACTIVATE:
      active = LOWORD(wParam) != WA_INACTIVE;
      return 0;
    case WM_ACTIVATEAPP:
      return 0;
    case WM_KEYDOWN:
      OnKeyDown(window, wParam, lParam);
      return 0;
    case WM_COMMAND:
      OnCommand(window, wParam, lParam);
      return 0;
    case WM_INITMENU:
    case WM_MOUSEWHEEL:
      return 0;
    case WM_RBUTTONDOWN:
      if (!dragging) {
        lastMouseX = CursorX(lParam);
        lastMouseY = CursorY(lParam);
      }
      dragging = true;
      return 0;
    case WM_MOUSEMOVE: {
      const int x = CursorX(lParam);
      const int y = CursorY(lParam);
      if (dragging) {
        camera.Yaw(static_cast<float>(x - lastMouseX) * kLookSensitivity);
        camera.Pitch(static_cast<float>(y - lastMouseY) * kLookSensitivity);
        renderContext.UpdateView();
      }
      lastMouseX = x;
      lastMouseY = y;
      return 0;
    }
    case WM_RBUTTONUP:
      if (dragging) {
        dragging = false;
        camera.Yaw(static_cast<float>(CursorX(lParam) - lastMouseX) * kLookSensitivity);
        camera.Pitch(static_cast<float>(CursorY(lParam) - lastMouseY) * kLookSensitivity);
        renderContext.UpdateView();
      }
      return 0;
    default:
      return windowSystem_ ? windowSystem_->DefWindowProcA(window, message, wParam, lParam) : 0;
  }
}

LRESULT HatchingApp::OnKeyDown(HWND /*window*/, WPARAM key, LPARAM /*lParam*/) {
  Camera& camera = renderContext.camera;
  D3DVECTOR& light = renderContext.light.Position;
  bool viewChanged = true;
  switch (key) {
    case VK_ESCAPE:
      if (windowSystem_) windowSystem_->PostQuitMessage(0);
      return 0;
    case VK_SPACE:
      fillMode = fillMode == static_cast<int>(D3DFILL_SOLID) ? D3DFILL_WIREFRAME : D3DFILL_SOLID;
      if (renderContext.device)
        renderContext.device->SetRenderState(D3DRS_FILLMODE, static_cast<DWORD>(fillMode));
      return 0;
    case 'W':
      camera.Walk(kMoveStep);
      break;
    case 'S':
      camera.Walk(-kMoveStep);
      break;
    case 'A':
      camera.Strafe(-kMoveStep);
      break;
    case 'D':
      camera.Strafe(kMoveStep);
      break;
    case 'R':
      camera.Fly(kMoveStep);
      break;
    case 'F':
      camera.Fly(-kMoveStep);
      break;
    case 'Q':
      camera.Roll(kRollStep);
      break;
    case 'E':
      camera.Roll(-kRollStep);
      break;
    case VK_NUMPAD4:
      light.x -= kLightStep;
      viewChanged = false;
      break;
    case VK_NUMPAD6:
      light.x += kLightStep;
      viewChanged = false;
      break;
    case VK_NUMPAD8:
      light.y += kLightStep;
      viewChanged = false;
      break;
    case VK_NUMPAD5:
      light.y -= kLightStep;
      viewChanged = false;
      break;
    case VK_NUMPAD7:
      light.z -= kLightStep;
      viewChanged = false;
      break;
    case VK_NUMPAD9:
      light.z += kLightStep;
      viewChanged = false;
      break;
    default:
      if (viewer.on) viewer.OnKey(*this, key);
      return 0;
  }
  if (viewChanged) renderContext.UpdateView();
  return 0;
}

LRESULT HatchingApp::OnCommand(HWND /*window*/, WPARAM /*wParam*/, LPARAM /*lParam*/) {
  return 0;
}
