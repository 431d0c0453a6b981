// The application's frame: the scene's operations under the names the program gives them, each
// on the application's device, context and model.
#include "app/hatching_app.h"
#include "app/viewer_framing.h"

HRESULT HatchingApp::CreateBoxVertexBuffer() {
  return scene.CreateBoxVertexBuffer(renderContext.device);
}

HRESULT HatchingApp::CreateBoxIndexBuffer() {
  return scene.CreateBoxIndexBuffer(renderContext.device);
}

void HatchingApp::ReleaseSceneResources() {
  scene.ReleaseResources();
}

HRESULT HatchingApp::LoadEffectTextures() {
  return scene.LoadEffectTextures(renderContext.device, &startupFailure);
}

HRESULT HatchingApp::TextureFailed(const char* path) {
  startupFailure = TextureFailure(path);
  return E_FAIL;
}

HRESULT HatchingApp::CreateEffect() {
  return scene.CreateEffect(renderContext.device);
}

HRESULT HatchingApp::UploadEffectParameters() {
  return scene.Upload(ParametersOf(renderContext));
}

ModelPlay HatchingApp::Play() const {
  return ModelPlay{fillMode, clipToPlay, animationStep, textured};
}

namespace {

// The viewer mode's lines in place of the overlay's.
class ViewerOverlay final : public SceneOverlay {
 public:
  explicit ViewerOverlay(HatchingApp& app) : app_(app) {}
  void Draw(RenderContext&) override { app_.viewer.DrawOverlay(app_); }

 private:
  HatchingApp& app_;
};

}  // namespace

void HatchingApp::RenderFrame() {
  if (!renderContext.device) return;
  SceneFrame frame;
  frame.parameters = ParametersOf(renderContext);
  frame.model = model;
  frame.play = Play();
  frame.overlayFramesPerSecond = overlay ? &framesPerSecond : nullptr;
  // The viewer's backdrop stays round the camera, so no clear colour shows at any size.
  D3DXMATRIX backdrop;
  ViewerOverlay viewerOverlay(*this);
  if (viewer.on && overlay) {
    backdrop = BackdropAround(renderContext.camera.position);
    frame.boxWorld = &backdrop;
    frame.overlay = &viewerOverlay;
  }
  scene.Draw(renderContext, frame);
  UpdateFrameRate();
}

void HatchingApp::DrawBox() {
  scene.DrawBox(renderContext.device);
}

void HatchingApp::DrawModel() {
  scene.DrawModel(renderContext.device, model, Play());
}

void HatchingApp::DrawOverlay() {
  if (viewer.on) {
    viewer.DrawOverlay(*this);
    return;
  }
  scene.DrawOverlay(renderContext, framesPerSecond);
}

void HatchingApp::UpdateFrameRate() {
  ::UpdateFrameRate(&framesPerSecond);
}

void HatchingApp::ResetFrameRateMeter() {
  ::ResetFrameRateMeter();
}
