// The OpenGL 3.3 core backend of the graphics layer, and what the program and its tools need
// from it beyond the platform's own interface.
#pragma once

#include <cstdint>
#include <vector>

#include "gfx/d3d9.h"

// Factory for SetDirect3DFactory.
IDirect3D9* CreateGlDirect3D(UINT sdkVersion);

// The last presented frame as RGBA8, rows from the top of the picture down (as the platform
// would show them). False when `device` is not a device of this backend or nothing was presented.
// It is read from the back buffer, so it must be taken before the next frame draws there.
//
// The back buffer is an offscreen framebuffer that holds the top of the picture in its row 0
// (clip-space y is negated on the way in, and Present flips it upright into the window), so GL
// window coordinates inside it are the platform's pixel coordinates: x right, y down. Whatever
// else draws into it (the overlay font) uses that convention.
bool GlCapturePresentedFrame(IDirect3DDevice9* device, std::vector<uint8_t>* rgba, int* width, int* height);

// GL draw calls the device issued during the last presented frame (after draw merging; the
// font's own are not counted).
uint64_t GlDrawCallsLastFrame(IDirect3DDevice9* device);
