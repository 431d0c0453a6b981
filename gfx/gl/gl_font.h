// The OpenGL overlay font: an ID3DXFont whose DrawTextA takes code page 949 bytes, lays them out
// with the glyph atlas and blends textured quads over the current framebuffer, clipped to the
// rectangle, in the packed ARGB colour. On a device it sets its state through the device's state
// cache like every other draw; on its own (no device) it draws at once and saves and restores
// every piece of GL state it touches.
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

// A device's fonts queue their lines and the device draws the queue once, before anything else
// reaches the framebuffer: a frame's overlay is one GL draw, whatever its number of lines.
// QueueGlFontText lays out a DrawTextA of a font CreateGlFont made, clipped to `rect`, and returns
// its height. DrawQueuedGlFontText draws what is queued on `viewport` through `cache`, reading
// nothing back from GL and putting nothing back; false when nothing was queued.
INT QueueGlFontText(ID3DXFont* font, LPCSTR text, INT count, const RECT* rect, D3DCOLOR color);
bool DrawQueuedGlFontText(ID3DXFont* font, GlStateCache& cache, const D3DVIEWPORT9& viewport);
