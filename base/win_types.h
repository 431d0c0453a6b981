// The platform's basic types and result codes, shared by the operating-system services and the
// graphics layer: integer types by their Windows names, HRESULT with its success test, the window
// handle and the rectangle.
#pragma once

#include <cstdint>

using HRESULT = int32_t;
using UINT = uint32_t;
using DWORD = uint32_t;
using ULONG = uint32_t;
using WORD = uint16_t;
using BYTE = uint8_t;
using INT = int32_t;
using BOOL = int32_t;
using LPCSTR = const char*;
using HANDLE = void*;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
inline constexpr bool FAILED(HRESULT hr) {
  return hr < 0;
}
inline constexpr bool SUCCEEDED(HRESULT hr) {
  return hr >= 0;
}

// The window a device presents to. The application layer implements it; a backend that draws for
// real uses it to reach the drawing surface.
class PlatformWindow;
using HWND = PlatformWindow*;

struct RECT {
  int32_t left, top, right, bottom;
};
