// A window system for tests: a queue of scripted messages, WM_QUIT after PostQuitMessage, the
// synchronous WM_CREATE and WM_SIZE of window creation, and a record of the window calls, which
// also go into the graphics recorder's log so that their order among the device calls shows.
// Messages are handed to the application object under test, not to the program's instance.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "app/hatching_app.h"
#include "app/win32.h"
#include "gfx/recording/recorder.h"
#include "gfx/window.h"

class ScriptedWindow : public PlatformWindow {
 public:
  bool MakeCurrent() override { return true; }
  void SwapBuffers() override {}
  void GetDrawableSize(int* width, int* height) override {
    *width = 0;
    *height = 0;
  }
  void SetSwapInterval(int) override {}
};

class ScriptedWindowSystem : public WindowSystem {
 public:
  // Frame of the scripted window: what AdjustWindowRectEx adds around a client area.
  static constexpr int kBorder = 8;
  static constexpr int kCaption = 31;

  explicit ScriptedWindowSystem(HatchingApp& app) : app_(&app) { app.UseWindowSystem(this); }
  ~ScriptedWindowSystem() override { Detach(); }
  // Unhooks from the application, for a test that destroys the application first.
  void Detach() {
    if (app_) app_->UseWindowSystem(nullptr);
    app_ = nullptr;
  }

  // Whether CreateWindowExA reports the new window's client size with WM_SIZE.
  bool reportSizeOnCreate = false;
  // Called by WaitMessage while the queue is empty; when it posts nothing, WM_QUIT is posted so
  // that a test never sleeps for ever.
  std::function<void()> whenWaiting;

  std::deque<MSG> queue;
  std::vector<std::string> calls;
  int waitMessageCalls = 0;
  int dispatched = 0;
  WNDCLASSA registered{};
  ScriptedWindow window;

  void Post(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    queue.push_back(MSG{&window, message, wParam, lParam});
  }

  bool RegisterClassA(const WNDCLASSA& windowClass) override {
    registered = windowClass;
    Log(std::string("RegisterClassA(\"") + (windowClass.lpszClassName ? windowClass.lpszClassName : "") +
        "\")");
    return true;
  }
  HWND CreateWindowExA(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y,
                       int width, int height, HINSTANCE) override {
    Log("CreateWindowExA(" + std::to_string(exStyle) + ", \"" + className + "\", \"" + title + "\", " +
        std::to_string(style) + ", " + std::to_string(x) + ", " + std::to_string(y) + ", " +
        std::to_string(width) + ", " + std::to_string(height) + ")");
    style_ = style;
    Deliver(WM_CREATE, 0, 0);
    if (reportSizeOnCreate)
      Deliver(
          WM_SIZE, 0,
          MAKELPARAM(static_cast<WORD>(width - 2 * kBorder), static_cast<WORD>(height - kCaption - kBorder)));
    return &window;
  }
  DWORD GetWindowLongA(HWND, int index) override { return index == GWL_STYLE ? style_ : 0; }
  bool GetMenu(HWND) override { return false; }
  bool AdjustWindowRectEx(RECT* rect, DWORD, bool, DWORD) override {
    rect->left -= kBorder;
    rect->right += kBorder;
    rect->top -= kCaption;
    rect->bottom += kBorder;
    return true;
  }
  bool SetWindowPos(HWND, HWND, int x, int y, int width, int height, UINT flags) override {
    Log("SetWindowPos(" + std::to_string(x) + ", " + std::to_string(y) + ", " + std::to_string(width) + ", " +
        std::to_string(height) + ", " + std::to_string(flags) + ")");
    return true;
  }
  bool ShowWindow(HWND window, int showCommand) override {
    Log(std::string("ShowWindow(") + (window ? "window" : "null") + ", " + std::to_string(showCommand) + ")");
    return true;
  }
  bool PeekMessageA(MSG* message, HWND, UINT, UINT, UINT) override {
    if (queue.empty()) return false;
    *message = queue.front();
    return true;
  }
  int GetMessageA(MSG* message, HWND, UINT, UINT) override {
    if (queue.empty()) queue.push_back(MSG{nullptr, WM_QUIT, 0, 0});
    *message = queue.front();
    queue.pop_front();
    return message->message == WM_QUIT ? 0 : 1;
  }
  bool TranslateMessage(const MSG*) override { return true; }
  LRESULT DispatchMessageA(const MSG* message) override {
    ++dispatched;
    return app_ ? app_->HandleMessage(message->hwnd, message->message, message->wParam, message->lParam) : 0;
  }
  bool WaitMessage() override {
    ++waitMessageCalls;
    Log("WaitMessage()");
    if (queue.empty() && whenWaiting) whenWaiting();
    if (queue.empty()) PostQuitMessage(0);
    return true;
  }
  void PostQuitMessage(int exitCode) override {
    Log("PostQuitMessage(" + std::to_string(exitCode) + ")");
    queue.push_back(MSG{nullptr, WM_QUIT, static_cast<WPARAM>(exitCode), 0});
  }
  LRESULT DefWindowProcA(HWND, UINT message, WPARAM, LPARAM) override {
    Log("DefWindowProcA(" + std::to_string(message) + ")");
    return 0;
  }

 private:
  void Log(const std::string& line) {
    calls.push_back(line);
    Recording().Log(line);
  }
  void Deliver(UINT message, WPARAM wParam, LPARAM lParam) {
    if (app_) app_->HandleMessage(&window, message, wParam, lParam);
  }

  HatchingApp* app_;
  DWORD style_ = 0;
};
