// The window a device draws into, as the application layer provides it. A backend that draws for
// real reaches its drawing surface (an OpenGL 3.3 core context) only through this.
#pragma once

class PlatformWindow {
 public:
  virtual ~PlatformWindow() = default;
  // Makes the window's GL context current on the calling thread.
  virtual bool MakeCurrent() = 0;
  // Shows what was drawn into the default framebuffer.
  virtual void SwapBuffers() = 0;
  // The size of the drawable in pixels.
  virtual void GetDrawableSize(int* width, int* height) = 0;
  // Turns off waiting for the vertical retrace, where the platform allows it.
  virtual void SetSwapInterval(int interval) = 0;
};
