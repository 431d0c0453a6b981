// The GL device's frame: clearing, scenes, presentation to the window and reading the frame back.
#include <algorithm>

#include "gfx/gl/gl_device.h"
#include "gfx/window.h"

void GlDevice::ClearRect(GLint x, GLint y, GLsizei width, GLsizei height, GLbitfield mask) {
  if (width <= 0 || height <= 0) return;
  cache_.Scissor(x, y, width, height);
  glClear(mask);
}

HRESULT GlDevice::Clear(DWORD count, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                        DWORD stencil) {
  if ((flags & (D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) == 0 || (count > 0 && !rects)) {
    return D3DERR_INVALIDCALL;
  }
  FlushDraw();
  GLbitfield mask = 0;
  if (flags & D3DCLEAR_TARGET) {
    mask |= GL_COLOR_BUFFER_BIT;
    cache_.ColorMaskAll();
    glClearColor(((color >> 16) & 0xFFu) / 255.0f, ((color >> 8) & 0xFFu) / 255.0f, (color & 0xFFu) / 255.0f,
                 (color >> 24) / 255.0f);
  }
  if (flags & D3DCLEAR_ZBUFFER) {
    mask |= GL_DEPTH_BUFFER_BIT;
    cache_.DepthMask(true);  // D3D clears depth whatever ZWRITEENABLE says
    glClearDepth(std::clamp(z, 0.0f, 1.0f));
  }
  if (flags & D3DCLEAR_STENCIL) {
    mask |= GL_STENCIL_BUFFER_BIT;
    cache_.StencilMaskAll();
    glClearStencil(static_cast<GLint>(stencil & 0xFFu));
  }
  // D3D clears the viewport only (and, with rectangles, their parts inside it).
  cache_.SetCapability(GL_SCISSOR_TEST, true);
  const int64_t left = viewport_.X, top = viewport_.Y;
  const int64_t right = left + viewport_.Width, bottom = top + viewport_.Height;
  if (count == 0) {
    ClearRect(static_cast<GLint>(left), static_cast<GLint>(top), static_cast<GLsizei>(right - left),
              static_cast<GLsizei>(bottom - top), mask);
  }
  for (DWORD i = 0; i < count; ++i) {
    const int64_t x0 = std::max<int64_t>(left, rects[i].left), y0 = std::max<int64_t>(top, rects[i].top);
    const int64_t x1 = std::min<int64_t>(right, rects[i].right),
                  y1 = std::min<int64_t>(bottom, rects[i].bottom);
    ClearRect(static_cast<GLint>(x0), static_cast<GLint>(y0), static_cast<GLsizei>(x1 - x0),
              static_cast<GLsizei>(y1 - y0), mask);
  }
  statesDirty_ = true;
  return S_OK;
}

HRESULT GlDevice::BeginScene() {
  if (inScene_) return D3DERR_INVALIDCALL;
  inScene_ = true;
  return S_OK;
}

HRESULT GlDevice::EndScene() {
  if (!inScene_) return D3DERR_INVALIDCALL;
  FlushDraw();
  inScene_ = false;
  return S_OK;
}

HRESULT GlDevice::Present(const RECT* sourceRect, const RECT* destRect, HWND destWindow,
                          const void* dirtyRegion) {
  if (sourceRect || destRect || destWindow || dirtyRegion) return D3DERR_INVALIDCALL;
  FlushDraw();
  int windowWidth = 0, windowHeight = 0;
  window_->GetDrawableSize(&windowWidth, &windowHeight);
  cache_.SetCapability(GL_SCISSOR_TEST, false);  // the blit obeys the scissor
  glBindFramebuffer(GL_READ_FRAMEBUFFER, PresentedFramebuffer());
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
  const bool sameSize = windowWidth == width_ && windowHeight == height_;
  // Row 0 of the back buffer is the top of the picture; GL's window rows run bottom-up.
  glBlitFramebuffer(0, 0, width_, height_, 0, windowHeight, windowWidth, 0, GL_COLOR_BUFFER_BIT,
                    sameSize ? GL_NEAREST : GL_LINEAR);
  window_->SwapBuffers();
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  drawCallsLastFrame_ = drawCalls_;
  drawCalls_ = 0;
  presented_ = true;
  return S_OK;
}

// The back buffer as the window gets it: resolved first when it is multisampled (a resolving
// blit must keep the rectangle as it is, so the flip is left to the blit to the window).
GLuint GlDevice::PresentedFramebuffer() {
  if (samples_ <= 1) return framebuffer_;
  glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
  glBindFramebuffer(GL_DRAW_FRAMEBUFFER, resolveFramebuffer_);
  glBlitFramebuffer(0, 0, width_, height_, 0, 0, width_, height_, GL_COLOR_BUFFER_BIT, GL_NEAREST);
  return resolveFramebuffer_;
}

bool GlDevice::CapturePresentedFrame(std::vector<uint8_t>* rgba, int* width, int* height) {
  if (!presented_) return false;
  FlushDraw();
  rgba->resize(static_cast<size_t>(width_) * height_ * 4);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, samples_ > 1 ? resolveFramebuffer_ : framebuffer_);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, rgba->data());
  *width = width_;
  *height = height_;
  return true;
}
