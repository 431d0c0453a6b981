// The OpenGL overlay font: an ID3DXFont whose DrawTextA takes code page 949 bytes, lays them out
// with the glyph atlas and blends textured quads over the current framebuffer, clipped to the
// rectangle, in the packed ARGB colour. On a device it sets its state through the device's state
// cache like every other draw; on its own (no device) it saves and restores every piece of GL
// state it touches.
#pragma once

#include "gfx/d3d9.h"
#include "gfx/window.h"  // the device makes its window current before creating a font

// Which way the framebuffer being drawn into holds its rows. The device's offscreen framebuffer
// keeps the top of the picture in row 0 (D3D's convention); GL's default framebuffer keeps the
// bottom there.
enum class GlFontRows { kTopRowFirst, kBottomRowFirst };

class GlStateCache;

// Needs the GL context current. Height, weight, italic and face name of `desc` are used.
HRESULT CreateGlFont(const D3DXFONT_DESCA& desc, ID3DXFont** font,
                     GlFontRows rows = GlFontRows::kTopRowFirst);

// DrawTextA of a font CreateGlFont made, drawn on `viewport` through `cache`: nothing is read
// back from GL and nothing put back.
INT DrawGlFontText(ID3DXFont* font, GlStateCache& cache, const D3DVIEWPORT9& viewport, LPCSTR text, INT count,
                   RECT* rect, D3DCOLOR color);
