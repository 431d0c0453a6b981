// The application object: its single instance, the window, the start-up order, the message loop
// and the release of everything it owns.
#include "app/hatching_app.h"

#include <cstdio>
#include <new>

#include "app/character.h"
#include "model/skinned_model.h"
#include "render/overlay_text.h"

namespace {

constexpr char kWindowName[] = "[Tavrel] Hatching for HLSL";
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

// Constructed before the program's entry point runs, destroyed after it returns.
HatchingApp application;

}  // namespace

HatchingApp::HatchingApp() = default;

HatchingApp::~HatchingApp() {
  ReleaseAll();
}

HatchingApp& HatchingApp::Instance() {
  return application;
}

LRESULT HatchingApp::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return Instance().HandleMessage(window, message, wParam, lParam);
}

bool HatchingApp::RegisterAndCreateWindow(HINSTANCE instance, int /*showCommand*/) {
  // Icon, cursor and background brush are the window system's own.
  windowClass = WNDCLASSA{};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = WindowProc;
  windowClass.cbClsExtra = 0;
  windowClass.cbWndExtra = 0;
  windowClass.hInstance = instance;
  windowClass.lpszMenuName = nullptr;
  windowClass.lpszClassName = kWindowName;
  if (!windowSystem_) return true;
  windowSystem_->RegisterClassA(windowClass);
  window = windowSystem_->CreateWindowExA(0, kWindowName, kWindowName, kWindowStyle, CW_USEDEFAULT,
                                          CW_USEDEFAULT, clientWidth, clientHeight, instance);
  return true;
}

void HatchingApp::FitClientArea() {
  if (!windowSystem_) return;
  RECT rect{0, 0, clientWidth, clientHeight};
  windowSystem_->AdjustWindowRectEx(&rect, windowSystem_->GetWindowLongA(window, GWL_STYLE),
                                    windowSystem_->GetMenu(window),
                                    windowSystem_->GetWindowLongA(window, GWL_EXSTYLE));
  windowSystem_->SetWindowPos(window, nullptr, 0, 0, rect.right - rect.left, rect.bottom - rect.top,
                              SWP_NOZORDER | SWP_NOMOVE);
}

bool HatchingApp::SetClientSize(int width, int height) {
  clientWidth = width;
  clientHeight = height;
  return true;
}

int HatchingApp::Run(HINSTANCE instance, int showCommand) {
  // Without window services there is no loop to run.
  if (!windowSystem_) return static_cast<int>(message.wParam);

  RegisterAndCreateWindow(instance, showCommand);
  startupFailure.clear();
  HRESULT result = renderContext.InitDevice(window, clientWidth, clientHeight, kOverlayFontHeight);
  if (FAILED(result)) startupFailure = "the graphics device could not be created";
  if (SUCCEEDED(result) && renderContext.samplesGiven != renderContext.samples)
    std::fprintf(stderr, "hatching: %d samples a pixel are not available here; drawing with %d\n",
                 renderContext.samples, renderContext.samplesGiven);
  if (SUCCEEDED(result)) result = CreateBoxVertexBuffer();
  if (SUCCEEDED(result)) result = CreateBoxIndexBuffer();
  if (FAILED(result) && startupFailure.empty())
    startupFailure = "the backdrop's buffers could not be created";
  // LoadEffectTextures names the texture it could not read.
  if (SUCCEEDED(result)) result = LoadEffectTextures();
  if (FAILED(result)) {
    renderContext.ReleaseDevice();
    return static_cast<int>(message.wParam);
  }

  FitClientArea();
  windowSystem_->ShowWindow(window, showCommand);
  renderContext.SetOverlayTextColor(0.0f, 1.0f, 1.0f, 1.0f);
  CreateEffect();
  // Should the model not be had, the program runs on without it; frames then skip its pass.
  if (!model) model = new (std::nothrow) SkinnedModel();
  if (model && viewer.on) {
    viewer.Start(*this);
  } else if (model) {
    LoadCharacter(character, renderContext.device, model);
    if (!character.reference.empty() && character.frame) FrameCharacter(*model, &renderContext);
    if (StrokesFollowForm(character)) ApplyStrokeField(model, renderContext.objectTransform.scale.x);
    clipToPlay = ClipToPlay(character, *model);
  }

  for (;;) {
    if (windowSystem_->PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) {
      // 0 is WM_QUIT; a negative result (an error) must not spin on a broken queue either.
      if (windowSystem_->GetMessageA(&message, nullptr, 0, 0) <= 0) break;
      windowSystem_->TranslateMessage(&message);
      windowSystem_->DispatchMessageA(&message);
    } else if (active) {
      if (viewer.on) viewer.BeforeFrame(*this);
      RenderFrame();
      ++framesRendered_;
      if (frameObserver_) frameObserver_(frameObserverUser_, framesRendered_);
    } else {
      windowSystem_->WaitMessage();
    }
  }
  return static_cast<int>(message.wParam);
}

void HatchingApp::ReleaseAll() {
  delete model;
  model = nullptr;
  scene.Release();
  renderContext.ReleaseDevice();
}
