// The window services over SDL2: one window with an OpenGL 3.3 core context, its messages
// translated from SDL's events, and replayed input fed in through the same translation. With
// `headless`, SDL's offscreen driver renders through EGL without a display.
#pragma once

#include <SDL2/SDL.h>

#include <string>
#include <vector>

#include "app/input_script.h"
#include "app/sdl/event_translation.h"
#include "app/win32.h"
#include "gfx/window.h"

class SdlWindow final : public PlatformWindow {
 public:
  SdlWindow(SDL_Window* window, SDL_GLContext context) : window_(window), context_(context) {}
  ~SdlWindow() override;
  SdlWindow(const SdlWindow&) = delete;
  SdlWindow& operator=(const SdlWindow&) = delete;

  bool MakeCurrent() override;
  void SwapBuffers() override;
  void GetDrawableSize(int* width, int* height) override;
  void SetSwapInterval(int interval) override;

  SDL_Window* window() const { return window_; }
  Uint32 id() const { return SDL_GetWindowID(window_); }

 private:
  SDL_Window* window_ = nullptr;
  SDL_GLContext context_ = nullptr;
};

class SdlWindowSystem final : public WindowSystem {
 public:
  SdlWindowSystem() = default;
  ~SdlWindowSystem() override;
  SdlWindowSystem(const SdlWindowSystem&) = delete;
  SdlWindowSystem& operator=(const SdlWindowSystem&) = delete;

  // Starts SDL's video; false with `error` set when there is no display (or, headless, no EGL).
  bool Start(bool headless, std::string* error);
  // Closes the window and its GL context and stops SDL. Everything made on the context must be
  // released before.
  void Stop();

  // Input to replay; events are fed in before the frame they name.
  void SetReplay(InputReplay replay) { replay_ = std::move(replay); }
  // Told after each rendered frame, to time the replay.
  void NoteFramesRendered(int frames) { framesRendered_ = frames; }
  // Called with the files and folders dropped on the window together; null removes it.
  using DropHandler = void (*)(void* user, const std::vector<std::string>& paths);
  void SetDropHandler(DropHandler handler, void* user) {
    dropHandler_ = handler;
    dropUser_ = user;
  }
  bool headless() const { return headless_; }
  SdlWindow* window() const { return window_; }
  // Why the last CreateWindowExA failed.
  const std::string& lastError() const { return lastError_; }

  bool RegisterClassA(const WNDCLASSA& windowClass) override;
  HWND CreateWindowExA(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y,
                       int width, int height, HINSTANCE instance) override;
  DWORD GetWindowLongA(HWND window, int index) override;
  bool GetMenu(HWND window) override;
  bool AdjustWindowRectEx(RECT* rect, DWORD style, bool menu, DWORD exStyle) override;
  bool SetWindowPos(HWND window, HWND insertAfter, int x, int y, int width, int height, UINT flags) override;
  bool ShowWindow(HWND window, int showCommand) override;
  bool PeekMessageA(MSG* message, HWND filter, UINT first, UINT last, UINT removeFlags) override;
  int GetMessageA(MSG* message, HWND filter, UINT first, UINT last) override;
  bool TranslateMessage(const MSG* message) override;
  LRESULT DispatchMessageA(const MSG* message) override;
  bool WaitMessage() override;
  void PostQuitMessage(int exitCode) override;
  LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  // Feeds the replay events that are due into SDL's queue.
  void FeedDueReplayEvents();
  void FeedReplayEvent(const InputEvent& input);
  // Takes SDL events until one becomes a message or none is left; true when a message waits.
  bool FillPending();
  // Tells the window procedure the client size at once, as Windows does while it sizes a window.
  void ReportClientSize();
  void Deliver(UINT message, WPARAM wParam, LPARAM lParam);
  // Collects SDL's drop events; true when `event` was one.
  bool TakeDrop(const SDL_Event& event);

  bool started_ = false;
  bool headless_ = false;
  WNDPROC windowProc_ = nullptr;
  std::string className_;
  SdlWindow* window_ = nullptr;
  DWORD style_ = 0;
  DWORD exStyle_ = 0;
  TranslationState translation_;
  // One translated message waits here between PeekMessageA and GetMessageA.
  MSG pending_{};
  bool hasPending_ = false;
  bool quitPosted_ = false;
  int quitCode_ = 0;
  InputReplay replay_;
  int framesRendered_ = 0;
  std::string lastError_;
  DropHandler dropHandler_ = nullptr;
  void* dropUser_ = nullptr;
  std::vector<std::string> dropped_;
  bool dropping_ = false;
};
