// The windowing system as the application object uses it: Windows' message records, message and
// key codes and the services of the window, behind one interface. The SDL implementation lives in
// app/sdl/; tests drive the application through a scripted one.
#pragma once

#include <cstdint>

#include "gfx/d3d9.h"
#include "gfx/window.h"

using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using HINSTANCE = void*;
using WNDPROC = LRESULT (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

struct MSG {
  HWND hwnd;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};

struct WNDCLASSA {
  UINT style;
  WNDPROC lpfnWndProc;
  int cbClsExtra;
  int cbWndExtra;
  HINSTANCE hInstance;
  void* hIcon;
  void* hCursor;
  void* hbrBackground;
  const char* lpszMenuName;
  const char* lpszClassName;
};

inline constexpr UINT WM_CREATE = 0x0001;
inline constexpr UINT WM_DESTROY = 0x0002;
inline constexpr UINT WM_SIZE = 0x0005;
inline constexpr UINT WM_ACTIVATE = 0x0006;
inline constexpr UINT WM_QUIT = 0x0012;
inline constexpr UINT WM_ACTIVATEAPP = 0x001C;
inline constexpr UINT WM_KEYDOWN = 0x0100;
inline constexpr UINT WM_COMMAND = 0x0111;
inline constexpr UINT WM_INITMENU = 0x0116;
inline constexpr UINT WM_MOUSEMOVE = 0x0200;
inline constexpr UINT WM_RBUTTONDOWN = 0x0204;
inline constexpr UINT WM_RBUTTONUP = 0x0205;
inline constexpr UINT WM_MOUSEWHEEL = 0x020A;

inline constexpr WPARAM WA_INACTIVE = 0;
inline constexpr WPARAM WA_ACTIVE = 1;

inline constexpr WPARAM VK_ESCAPE = 27;
inline constexpr WPARAM VK_SPACE = 32;
inline constexpr WPARAM VK_NUMPAD4 = 100;
inline constexpr WPARAM VK_NUMPAD5 = 101;
inline constexpr WPARAM VK_NUMPAD6 = 102;
inline constexpr WPARAM VK_NUMPAD7 = 103;
inline constexpr WPARAM VK_NUMPAD8 = 104;
inline constexpr WPARAM VK_NUMPAD9 = 105;

inline constexpr UINT CS_VREDRAW = 0x0001;
inline constexpr UINT CS_HREDRAW = 0x0002;
inline constexpr DWORD WS_OVERLAPPED = 0x00000000;
inline constexpr DWORD WS_MAXIMIZEBOX = 0x00010000;
inline constexpr DWORD WS_MINIMIZEBOX = 0x00020000;
inline constexpr DWORD WS_SYSMENU = 0x00080000;
inline constexpr DWORD WS_CAPTION = 0x00C00000;
inline constexpr int CW_USEDEFAULT = static_cast<int>(0x80000000);
inline constexpr int GWL_STYLE = -16;
inline constexpr int GWL_EXSTYLE = -20;
inline constexpr UINT SWP_NOMOVE = 0x0002;
inline constexpr UINT SWP_NOZORDER = 0x0004;
inline constexpr UINT PM_NOREMOVE = 0x0000;
inline constexpr int SW_SHOWDEFAULT = 10;

inline constexpr WORD LOWORD(uintptr_t value) {
  return static_cast<WORD>(value & 0xFFFF);
}
inline constexpr WORD HIWORD(uintptr_t value) {
  return static_cast<WORD>((value >> 16) & 0xFFFF);
}
inline constexpr LPARAM MAKELPARAM(WORD low, WORD high) {
  return static_cast<LPARAM>(static_cast<uint32_t>(low) | (static_cast<uint32_t>(high) << 16));
}

// The window services, shaped like the platform calls the application makes. Messages that the
// platform delivers synchronously (during CreateWindowExA, ShowWindow, SetWindowPos) are handed
// to the registered class's window procedure before the call returns.
class WindowSystem {
 public:
  virtual ~WindowSystem() = default;
  virtual bool RegisterClassA(const WNDCLASSA& windowClass) = 0;
  virtual HWND CreateWindowExA(DWORD exStyle, const char* className, const char* title, DWORD style, int x,
                               int y, int width, int height, HINSTANCE instance) = 0;
  virtual DWORD GetWindowLongA(HWND window, int index) = 0;
  virtual bool GetMenu(HWND window) = 0;
  virtual bool AdjustWindowRectEx(RECT* rect, DWORD style, bool menu, DWORD exStyle) = 0;
  virtual bool SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height,
                            UINT flags) = 0;
  virtual bool ShowWindow(HWND window, int showCommand) = 0;
  // PM_NOREMOVE only: true when a message waits; it stays queued.
  virtual bool PeekMessageA(MSG* message, HWND filter, UINT first, UINT last, UINT removeFlags) = 0;
  // Takes the next message, waiting for one; returns 0 for WM_QUIT.
  virtual int GetMessageA(MSG* message, HWND filter, UINT first, UINT last) = 0;
  virtual bool TranslateMessage(const MSG* message) = 0;
  virtual LRESULT DispatchMessageA(const MSG* message) = 0;
  // Sleeps until a message arrives.
  virtual bool WaitMessage() = 0;
  virtual void PostQuitMessage(int exitCode) = 0;
  virtual LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
};
