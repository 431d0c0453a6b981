// A headless OpenGL 3.3 core context for the tests, the tools and the benchmarks: EGL on Mesa's
// surfaceless platform with a small pbuffer, standing in for the application's window. Works
// without a display or a GPU (llvmpipe).
#pragma once

#include <string>

#include "gfx/window.h"

class EglContext final : public PlatformWindow {
 public:
  EglContext() = default;
  ~EglContext() override;
  EglContext(const EglContext&) = delete;
  EglContext& operator=(const EglContext&) = delete;

  // False with `error` saying which step failed when no context can be made.
  bool Create(int width, int height, std::string* error);

  bool MakeCurrent() override;
  void SwapBuffers() override;
  void GetDrawableSize(int* width, int* height) override;
  void SetSwapInterval(int interval) override;

  int swapCount() const { return swapCount_; }
  int swapInterval() const { return swapInterval_; }

 private:
  void* display_ = nullptr;
  void* context_ = nullptr;
  void* surface_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  int swapCount_ = 0;
  int swapInterval_ = -1;
};
