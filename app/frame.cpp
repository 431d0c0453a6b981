// One frame: clear, the box in the effect's first pass, the animated model in its second, the
// overlay lines, present, and the frame-rate meter.
#include <cstdio>

#include "app/box.h"
#include "app/hatching_app.h"
#include "base/platform.h"
#include "model/skinned_model.h"
#include "render/overlay_text.h"

namespace {

constexpr D3DCOLOR kClearColor = 0xFF0000FF;

// The meter is one per process, as the frames it measures are.
struct FrameRateMeter {
  bool started = false;
  uint32_t lastTime = 0;
  float elapsed = 0.0f;
  uint32_t frames = 0;
};
FrameRateMeter meter;

}  // namespace

void HatchingApp::RenderFrame() {
  IDirect3DDevice9* device = renderContext.device;
  if (!device) return;
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClearColor, 1.0f, 0);
  if (SUCCEEDED(device->BeginScene())) {
    // Without a technique the passes have nothing to run; the frame is then drawn as without an
    // effect.
    if (effect && technique) {
      device->LightEnable(0, 0);
      device->SetRenderState(D3DRS_LIGHTING, 0);
      UploadEffectParameters();
      effect->SetTechnique(technique);
      UINT passes = 0;
      effect->Begin(&passes, 0);
      device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
      device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
      effect->BeginPass(0);
      DrawBox();
      effect->EndPass();
      device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
      effect->BeginPass(1);
      DrawModel();
      effect->EndPass();
      effect->End();
    }
    if (overlay) DrawOverlay();
    device->EndScene();
  }
  device->Present(nullptr, nullptr, nullptr, nullptr);
  UpdateFrameRate();
}

void HatchingApp::DrawBox() {
  IDirect3DDevice9* device = renderContext.device;
  device->SetVertexDeclaration(vertexDeclaration);
  device->SetStreamSource(0, boxVertexBuffer, 0, kBoxVertexStride);
  device->SetIndices(boxIndexBuffer);
  device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, kBoxVertexCount, 0, kBoxTriangleCount);
}

void HatchingApp::DrawModel() {
  IDirect3DDevice9* device = renderContext.device;
  device->SetVertexDeclaration(vertexDeclaration);
  if (!model) return;
  const int frames = clipToPlay >= 0 && clipToPlay < kSmdMaxClips ? model->clips[clipToPlay].frameCount : 0;
  model->UpdateAndDraw(device, fillMode, 0, frames, animationStep, clipToPlay, textured);
}

void HatchingApp::DrawOverlay() {
  const D3DXVECTOR3& eye = renderContext.camera.position;
  const D3DVECTOR& light = renderContext.light.Position;
  // snprintf cuts a line that would not fit; textLine is never written past its end.
  std::snprintf(textLine, sizeof textLine, kOverlayFrameRate, static_cast<double>(framesPerSecond));
  renderContext.DrawOverlayText(textLine, kOverlayX, kOverlayY[0]);
  std::snprintf(textLine, sizeof textLine, kOverlayCamera, static_cast<double>(eye.x),
                static_cast<double>(eye.y), static_cast<double>(eye.z));
  renderContext.DrawOverlayText(textLine, kOverlayX, kOverlayY[1]);
  std::snprintf(textLine, sizeof textLine, kOverlayLight, static_cast<double>(light.x),
                static_cast<double>(light.y), static_cast<double>(light.z));
  renderContext.DrawOverlayText(textLine, kOverlayX, kOverlayY[2]);

  for (int i = 0; i < kOverlayHelpLineCount; ++i) {
    std::snprintf(textLine, sizeof textLine, "%s", kOverlayHelp[i]);
    renderContext.DrawOverlayText(textLine, kOverlayX,
                                  kOverlayY[kOverlayLineCount - kOverlayHelpLineCount + i]);
  }
}

void HatchingApp::UpdateFrameRate() {
  if (!meter.started) {
    meter.started = true;
    meter.lastTime = timeGetTime();
  }
  const uint32_t now = timeGetTime();
  ++meter.frames;
  // Unsigned subtraction keeps the interval right across a wrap of the millisecond counter.
  meter.elapsed += static_cast<float>(now - meter.lastTime) * 0.001f;
  if (meter.elapsed >= 1.0f) {
    framesPerSecond = static_cast<float>(meter.frames) / meter.elapsed;
    meter.elapsed = 0.0f;
    meter.frames = 0;
  }
  meter.lastTime = now;
}

void HatchingApp::ResetFrameRateMeter() {
  meter = FrameRateMeter{};
}
