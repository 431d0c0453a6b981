// The window services over SDL2.
#include "app/sdl/sdl_window_system.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "base/cp949.h"
#include "base/platform.h"
#include "gfx/texture_image.h"

namespace {

constexpr DWORD WS_THICKFRAME = 0x00040000;
constexpr UINT SWP_NOSIZE = 0x0001;
constexpr int SW_HIDE = 0;
constexpr int kDefaultWidth = 640;
constexpr int kDefaultHeight = 480;

// The program's icon, the picture the desktop shows for it too (tools/icongen), read from the
// content folder. Without it the window keeps the system's icon.
constexpr char kIconPath[] = "Icons\\hatching.png";

void SetIconFromContent(SDL_Window* window) {
  TextureImage picture;
  std::string error;
  if (!LoadTextureImage(kIconPath, &picture, &error) || picture.levels.empty()) return;
  ImageLevel& image = picture.levels[0];
  SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(
      image.rgba.data(), static_cast<int>(image.width), static_cast<int>(image.height), 32,
      static_cast<int>(image.width * 4), SDL_PIXELFORMAT_RGBA32);
  if (!icon) return;
  SDL_SetWindowIcon(window, icon);
  SDL_FreeSurface(icon);
}

}  // namespace

SdlWindow::~SdlWindow() {
  if (context_) SDL_GL_DeleteContext(context_);
  context_ = nullptr;
  if (window_) SDL_DestroyWindow(window_);
  window_ = nullptr;
}

bool SdlWindow::MakeCurrent() {
  return SDL_GL_MakeCurrent(window_, context_) == 0;
}

void SdlWindow::SwapBuffers() {
  SDL_GL_SwapWindow(window_);
}

void SdlWindow::GetDrawableSize(int* width, int* height) {
  SDL_GL_GetDrawableSize(window_, width, height);
}

void SdlWindow::SetSwapInterval(int interval) {
  // Not every driver lets the interval be chosen; frames are then paced by the driver.
  SDL_GL_SetSwapInterval(interval);
}

SdlWindowSystem::~SdlWindowSystem() {
  Stop();
}

bool SdlWindowSystem::Start(bool headless, std::string* error) {
  headless_ = headless;
  if (headless) {
    // Offscreen windows draw through EGL, which Mesa provides without a display or a GPU.
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, "offscreen", SDL_HINT_OVERRIDE);
  }
  // The window does not capture the mouse, and closing it only sends its own message.
  SDL_SetHint(SDL_HINT_MOUSE_AUTO_CAPTURE, "0");
  SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    *error = std::string("cannot start the video system: ") + SDL_GetError();
    return false;
  }
  started_ = true;
  // SDL falls back to its offscreen driver when no display answers; a windowed run would then
  // render forever where nobody can see it or quit it.
  const char* driver = SDL_GetCurrentVideoDriver();
  const bool invisible = driver && (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0);
  if (!headless && invisible && !SDL_getenv("SDL_VIDEODRIVER")) {
    *error = "no display to open a window on";
    Stop();
    return false;
  }
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  return true;
}

void SdlWindowSystem::Stop() {
  delete window_;
  window_ = nullptr;
  if (started_) SDL_Quit();
  started_ = false;
}

bool SdlWindowSystem::RegisterClassA(const WNDCLASSA& windowClass) {
  if (!windowClass.lpszClassName || !windowClass.lpfnWndProc) return false;
  className_ = windowClass.lpszClassName;
  windowProc_ = windowClass.lpfnWndProc;
  return true;
}

HWND SdlWindowSystem::CreateWindowExA(DWORD exStyle, const char* className, const char* title, DWORD style,
                                      int x, int y, int width, int height, HINSTANCE) {
  if (!started_ || window_ || !className || className_ != className) {
    lastError_ = window_ ? "the program has one window" : "the window class is not registered";
    return nullptr;
  }
  // Windows' sizes here are outer sizes and SDL's are client sizes; AdjustWindowRectEx makes the
  // two agree by treating the frame as empty.
  const int left = x == CW_USEDEFAULT ? static_cast<int>(SDL_WINDOWPOS_UNDEFINED) : x;
  const int top = y == CW_USEDEFAULT ? static_cast<int>(SDL_WINDOWPOS_UNDEFINED) : y;
  const int w = width == CW_USEDEFAULT || width <= 0 ? kDefaultWidth : width;
  const int h = height == CW_USEDEFAULT || height <= 0 ? kDefaultHeight : height;
  Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
  if (style & WS_THICKFRAME) flags |= SDL_WINDOW_RESIZABLE;

  std::string utf8Title;
  if (title) Cp949ToUtf8(title, std::strlen(title), &utf8Title);
  SDL_Window* sdlWindow = SDL_CreateWindow(utf8Title.c_str(), left, top, w, h, flags);
  if (!sdlWindow) {
    lastError_ = std::string("cannot create the window: ") + SDL_GetError();
    return nullptr;
  }
  SDL_GLContext context = SDL_GL_CreateContext(sdlWindow);
  if (!context) {
    lastError_ = std::string("cannot create an OpenGL 3.3 core context: ") + SDL_GetError();
    SDL_DestroyWindow(sdlWindow);
    return nullptr;
  }
  SetIconFromContent(sdlWindow);
  window_ = new SdlWindow(sdlWindow, context);
  style_ = style;
  exStyle_ = exStyle;

  // As Windows does, the new window hears of its creation and its size before the call returns.
  Deliver(WM_CREATE, 0, 0);
  ReportClientSize();
  return window_;
}

DWORD SdlWindowSystem::GetWindowLongA(HWND window, int index) {
  if (!window || window != window_) return 0;
  if (index == GWL_STYLE) return style_;
  if (index == GWL_EXSTYLE) return exStyle_;
  return 0;
}

bool SdlWindowSystem::GetMenu(HWND) {
  return false;
}

bool SdlWindowSystem::AdjustWindowRectEx(RECT* rect, DWORD, bool, DWORD) {
  return rect != nullptr;
}

bool SdlWindowSystem::SetWindowPos(HWND window, HWND, int x, int y, int width, int height, UINT flags) {
  if (!window || window != window_) return false;
  SDL_Window* sdlWindow = window_->window();
  if (!(flags & SWP_NOMOVE)) SDL_SetWindowPosition(sdlWindow, x, y);
  if (!(flags & SWP_NOSIZE) && width > 0 && height > 0) {
    SDL_SetWindowSize(sdlWindow, width, height);
    ReportClientSize();
  }
  return true;
}

bool SdlWindowSystem::ShowWindow(HWND window, int showCommand) {
  if (!window || window != window_) return false;
  SDL_Window* sdlWindow = window_->window();
  const bool wasVisible = (SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_SHOWN) != 0;
  if (showCommand == SW_HIDE)
    SDL_HideWindow(sdlWindow);
  else
    SDL_ShowWindow(sdlWindow);
  return wasVisible;
}

void SdlWindowSystem::FeedReplayEvent(const InputEvent& input) {
  SDL_Event event{};
  if (input.kind == InputEventKind::kDrop) {
    // As a desktop drops several files: begin, one event a file, complete.
    event.drop.windowID = window_ ? window_->id() : 0;
    event.type = SDL_DROPBEGIN;
    SDL_PushEvent(&event);
    for (const std::string& path : input.paths) {
      event.type = SDL_DROPFILE;
      event.drop.file = SDL_strdup(path.c_str());
      SDL_PushEvent(&event);
    }
    event.type = SDL_DROPCOMPLETE;
    event.drop.file = nullptr;
    SDL_PushEvent(&event);
    return;
  }
  if (window_ && ReplayEventToSdl(input, window_->id(), &event)) SDL_PushEvent(&event);
}

void SdlWindowSystem::FeedDueReplayEvents() {
  // Replayed input is for the window; it waits until there is one.
  if (!window_) return;
  while (const InputEvent* input = replay_.NextDue(framesRendered_)) FeedReplayEvent(*input);
}

bool SdlWindowSystem::FillPending() {
  SDL_Event event;
  while (!hasPending_) {
    if (SDL_PollEvent(&event) != 1) return false;
    if (TakeDrop(event)) continue;
    if (window_) hasPending_ = TranslateEvent(event, window_, window_->id(), &translation_, &pending_);
  }
  return true;
}

bool SdlWindowSystem::TakeDrop(const SDL_Event& event) {
  switch (event.type) {
    case SDL_DROPBEGIN:
      dropping_ = true;
      dropped_.clear();
      return true;
    case SDL_DROPFILE:
      if (event.drop.file) dropped_.emplace_back(event.drop.file);
      SDL_free(event.drop.file);
      // Without a begin (older SDL), each file is a drop of its own.
      if (dropping_) return true;
      [[fallthrough]];
    case SDL_DROPCOMPLETE:
      dropping_ = false;
      if (dropHandler_ && !dropped_.empty()) dropHandler_(dropUser_, dropped_);
      dropped_.clear();
      return true;
    default:
      return false;
  }
}

bool SdlWindowSystem::PeekMessageA(MSG* message, HWND, UINT, UINT, UINT) {
  FeedDueReplayEvents();
  if (hasPending_ || FillPending()) {
    *message = pending_;
    return true;
  }
  if (quitPosted_) {
    *message = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(quitCode_), 0};
    return true;
  }
  return false;
}

int SdlWindowSystem::GetMessageA(MSG* message, HWND, UINT, UINT) {
  for (;;) {
    FeedDueReplayEvents();
    if (hasPending_ || FillPending()) {
      *message = pending_;
      hasPending_ = false;
      return 1;
    }
    if (quitPosted_) {
      quitPosted_ = false;
      *message = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(quitCode_), 0};
      return 0;
    }
    WaitMessage();
  }
}

bool SdlWindowSystem::TranslateMessage(const MSG*) {
  return false;
}

LRESULT SdlWindowSystem::DispatchMessageA(const MSG* message) {
  if (!message || !windowProc_) return 0;
  return windowProc_(message->hwnd, message->message, message->wParam, message->lParam);
}

bool SdlWindowSystem::WaitMessage() {
  if (hasPending_ || quitPosted_ || SDL_PollEvent(nullptr) == 1) return true;
  // No frames are rendered while the loop sleeps, so replayed input cannot wait for its frame:
  // the next event comes now.
  if (const InputEvent* input = window_ ? replay_.NextNow() : nullptr) {
    FeedReplayEvent(*input);
    return true;
  }
  if (headless_) {
    // Nothing can arrive in a headless run once the replay is over; sleeping would never end.
    std::fprintf(stderr, "hatching: the window is inactive and no input is left to replay; stopping\n");
    PostQuitMessage(0);
    return true;
  }
  return SDL_WaitEvent(nullptr) == 1;
}

void SdlWindowSystem::PostQuitMessage(int exitCode) {
  quitPosted_ = true;
  quitCode_ = exitCode;
}

LRESULT SdlWindowSystem::DefWindowProcA(HWND, UINT, WPARAM, LPARAM) {
  return 0;
}

void SdlWindowSystem::ReportClientSize() {
  SDL_Event resized{};
  resized.window.type = SDL_WINDOWEVENT;
  resized.window.windowID = window_->id();
  resized.window.event = SDL_WINDOWEVENT_SIZE_CHANGED;
  SDL_GetWindowSize(window_->window(), &resized.window.data1, &resized.window.data2);
  // Through the translation, so that SDL's own later notice of the same size is dropped there.
  MSG size{};
  if (TranslateEvent(resized, window_, window_->id(), &translation_, &size))
    Deliver(size.message, size.wParam, size.lParam);
}

void SdlWindowSystem::Deliver(UINT message, WPARAM wParam, LPARAM lParam) {
  if (windowProc_) windowProc_(window_, message, wParam, lParam);
}
