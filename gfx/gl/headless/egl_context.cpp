// EGL set-up for headless rendering: the GL tests, the tools and the benchmarks.
#include "gfx/gl/headless/egl_context.h"

#include <epoxy/egl.h>

namespace {

EGLDisplay SurfacelessDisplay() {
  if (!epoxy_has_egl_extension(EGL_NO_DISPLAY, "EGL_MESA_platform_surfaceless")) return EGL_NO_DISPLAY;
  auto getPlatformDisplay =
      reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
  if (!getPlatformDisplay) return EGL_NO_DISPLAY;
  return getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
}

}  // namespace

EglContext::~EglContext() {
  if (!display_) return;
  eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  if (surface_) eglDestroySurface(display_, surface_);
  if (context_) eglDestroyContext(display_, context_);
  eglTerminate(display_);
}

bool EglContext::Create(int width, int height, std::string* error) {
  EGLDisplay display = SurfacelessDisplay();
  if (display == EGL_NO_DISPLAY) display = eglGetDisplay(EGL_DEFAULT_DISPLAY);
  EGLint major = 0, minor = 0;
  if (display == EGL_NO_DISPLAY || !eglInitialize(display, &major, &minor)) {
    *error = "no EGL display";
    return false;
  }
  display_ = display;
  if (!eglBindAPI(EGL_OPENGL_API)) {
    *error = "EGL cannot bind the desktop OpenGL API";
    return false;
  }
  const EGLint configAttributes[] = {EGL_SURFACE_TYPE,
                                     EGL_PBUFFER_BIT,
                                     EGL_RENDERABLE_TYPE,
                                     EGL_OPENGL_BIT,
                                     EGL_RED_SIZE,
                                     8,
                                     EGL_GREEN_SIZE,
                                     8,
                                     EGL_BLUE_SIZE,
                                     8,
                                     EGL_ALPHA_SIZE,
                                     8,
                                     EGL_NONE};
  EGLConfig config = nullptr;
  EGLint configCount = 0;
  if (!eglChooseConfig(display, configAttributes, &config, 1, &configCount) || configCount < 1) {
    *error = "no EGL config with an RGBA8 pbuffer";
    return false;
  }
  const EGLint contextAttributes[] = {EGL_CONTEXT_MAJOR_VERSION,
                                      3,
                                      EGL_CONTEXT_MINOR_VERSION,
                                      3,
                                      EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                      EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT,
                                      EGL_NONE};
  context_ = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
  if (!context_) {
    *error = "no OpenGL 3.3 core context";
    return false;
  }
  const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
  surface_ = eglCreatePbufferSurface(display, config, surfaceAttributes);
  if (!surface_) {
    *error = "no pbuffer surface";
    return false;
  }
  width_ = width;
  height_ = height;
  if (!MakeCurrent()) {
    *error = "eglMakeCurrent failed";
    return false;
  }
  return true;
}

bool EglContext::MakeCurrent() {
  return display_ && context_ && eglMakeCurrent(display_, surface_, surface_, context_) == EGL_TRUE;
}

void EglContext::SwapBuffers() {
  if (display_ && surface_) eglSwapBuffers(display_, surface_);
  ++swapCount_;
}

void EglContext::GetDrawableSize(int* width, int* height) {
  *width = width_;
  *height = height_;
}

void EglContext::SetSwapInterval(int interval) {
  swapInterval_ = interval;
  if (display_) eglSwapInterval(display_, interval);
}
