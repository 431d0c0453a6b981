// HatchingApp: the application object. It owns the window and its message loop, the render
// context, the hatched scene (box, effect, textures, overlay) and the skinned model; it fixes the
// start-up order, runs the loop and releases everything in a fixed order.
// The program has one, reached through Instance(); tests construct their own.
#pragma once

#include <string>

#include "app/character.h"
#include "app/viewer.h"
#include "app/win32.h"
#include "gfx/d3d9.h"
#include "render/hatching_scene.h"
#include "render/render_context.h"

struct SkinnedModel;

class HatchingApp {
 public:
  // Called after every rendered frame with the number of frames rendered so far by Run.
  using FrameObserver = void (*)(void* user, int framesRendered);

  HatchingApp();
  ~HatchingApp();
  HatchingApp(const HatchingApp&) = delete;
  HatchingApp& operator=(const HatchingApp&) = delete;

  // The program's single application object, with static storage.
  static HatchingApp& Instance();
  // The window procedure registered with the class: forwards to Instance().HandleMessage.
  static LRESULT WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

  // The window services Run and the input handlers call; must be installed before Run. Without
  // one, window calls are skipped (DefWindowProcA answers 0).
  void UseWindowSystem(WindowSystem* system) { windowSystem_ = system; }
  WindowSystem* windowSystem() const { return windowSystem_; }
  // A hook for the program's own options (frame limit, screenshots, input replay); null removes it.
  void SetFrameObserver(FrameObserver observer, void* user) {
    frameObserver_ = observer;
    frameObserverUser_ = user;
  }

  // Application shell.
  int Run(HINSTANCE instance, int showCommand);
  bool RegisterAndCreateWindow(HINSTANCE instance, int showCommand);
  void FitClientArea();
  bool SetClientSize(int width, int height);
  // Releases everything the object owns, in the destructor's order; safe to call again. The
  // program may call it before its graphics context goes away; the destructor calls it too.
  void ReleaseAll();

  // Input.
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnKeyDown(HWND window, WPARAM key, LPARAM lParam);
  LRESULT OnCommand(HWND window, WPARAM wParam, LPARAM lParam);

  // The scene's operations on this object's device, context and model (see HatchingScene).
  // The surrounding box.
  HRESULT CreateBoxVertexBuffer();
  HRESULT CreateBoxIndexBuffer();
  void ReleaseSceneResources();

  // The hatching effect and its textures.
  HRESULT LoadEffectTextures();
  // Notes why the texture at `path` could not be made in startupFailure; E_FAIL.
  HRESULT TextureFailed(const char* path);
  HRESULT CreateEffect();
  HRESULT UploadEffectParameters();

  // One frame.
  void RenderFrame();
  void DrawBox();
  void DrawModel();
  void DrawOverlay();
  void UpdateFrameRate();
  // The frame-rate meter's state is process-wide; tests start it afresh with this.
  static void ResetFrameRateMeter();
  // How the model plays this frame.
  ModelPlay Play() const;

  WNDCLASSA windowClass{};
  HWND window = nullptr;
  MSG message{};
  int fillMode = D3DFILL_SOLID;
  bool dragging = false;
  int lastMouseX = 0;
  int lastMouseY = 0;
  int clientWidth = 800;
  int clientHeight = 600;
  bool active = true;
  float framesPerSecond = 0.0f;
  RenderContext renderContext;
  HatchingScene scene;
  SkinnedModel* model = nullptr;
  bool textured = true;
  // Whether frames draw the overlay's lines; pictures made for their own sake leave them out.
  bool overlay = true;
  float animationStep = 0.01f;
  // The character's files and how it plays; the default character unless the options name one.
  CharacterFiles character;
  // Why Run stopped before its loop, silently as the start-up order has it (a texture that could
  // not be read, the device): for the program to say on standard error. Empty when it did not.
  std::string startupFailure;
  // The clip the frames play: character.clip, or -1 (the bind pose) for a reference without one.
  int clipToPlay = 0;
  // The viewer mode (own files named, or --viewer); off by default.
  Viewer viewer;

 private:
  WindowSystem* windowSystem_ = nullptr;
  FrameObserver frameObserver_ = nullptr;
  void* frameObserverUser_ = nullptr;
  int framesRendered_ = 0;
};
