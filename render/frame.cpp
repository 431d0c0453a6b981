// One frame: clear, the box in the effect's first pass, the animated model in its second, the
// overlay lines, present, and the frame-rate meter.
#include <cstdio>

#include "base/platform.h"
#include "model/skinned_model.h"
#include "render/box.h"
#include "render/hatching_scene.h"
#include "render/overlay_text.h"
#include "render/render_context.h"

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

void HatchingScene::Draw(RenderContext& context, const SceneFrame& frame) {
  IDirect3DDevice9* device = context.device;
  if (!device) return;
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kClearColor, 1.0f, 0);
  if (SUCCEEDED(device->BeginScene())) {
    // Without a technique the passes have nothing to run; the frame is then drawn as without an
    // effect.
    if (effect && technique) {
      device->LightEnable(0, 0);
      device->SetRenderState(D3DRS_LIGHTING, 0);
      Upload(frame.parameters);
      effect->SetTechnique(technique);
      UINT passes = 0;
      effect->Begin(&passes, 0);
      device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
      if (frame.box) {
        device->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
        effect->BeginPass(0);
        DrawBox(device);
        effect->EndPass();
      }
      device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
      effect->BeginPass(1);
      DrawModel(device, frame.model, frame.play);
      if (frame.triangles) {
        device->SetStreamSource(0, frame.triangles, 0, kBoxVertexStride);
        device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, frame.triangleCount);
      }
      effect->EndPass();
      effect->End();
    }
    if (frame.overlayFramesPerSecond) DrawOverlay(context, *frame.overlayFramesPerSecond);
    device->EndScene();
  }
  device->Present(nullptr, nullptr, nullptr, nullptr);
}

void HatchingScene::DrawBox(IDirect3DDevice9* device) {
  device->SetVertexDeclaration(vertexDeclaration);
  device->SetStreamSource(0, boxVertexBuffer, 0, kBoxVertexStride);
  device->SetIndices(boxIndexBuffer);
  device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, kBoxVertexCount, 0, kBoxTriangleCount);
}

void HatchingScene::DrawModel(IDirect3DDevice9* device, SkinnedModel* model, const ModelPlay& play) {
  device->SetVertexDeclaration(vertexDeclaration);
  if (!model) return;
  const int frames = play.clip >= 0 && play.clip < kSmdMaxClips ? model->clips[play.clip].frameCount : 0;
  model->UpdateAndDraw(device, play.fillMode, 0, frames, play.step, play.clip, play.textured);
}

void HatchingScene::DrawOverlay(RenderContext& context, float framesPerSecond) {
  const D3DXVECTOR3& eye = context.camera.position;
  const D3DVECTOR& light = context.light.Position;
  // snprintf cuts a line that would not fit; textLine is never written past its end.
  std::snprintf(textLine, sizeof textLine, kOverlayFrameRate, static_cast<double>(framesPerSecond));
  context.DrawOverlayText(textLine, kOverlayX, kOverlayY[0]);
  std::snprintf(textLine, sizeof textLine, kOverlayCamera, static_cast<double>(eye.x),
                static_cast<double>(eye.y), static_cast<double>(eye.z));
  context.DrawOverlayText(textLine, kOverlayX, kOverlayY[1]);
  std::snprintf(textLine, sizeof textLine, kOverlayLight, static_cast<double>(light.x),
                static_cast<double>(light.y), static_cast<double>(light.z));
  context.DrawOverlayText(textLine, kOverlayX, kOverlayY[2]);

  for (int i = 0; i < kOverlayHelpLineCount; ++i) {
    std::snprintf(textLine, sizeof textLine, "%s", kOverlayHelp[i]);
    context.DrawOverlayText(textLine, kOverlayX, kOverlayY[kOverlayLineCount - kOverlayHelpLineCount + i]);
  }
}

void UpdateFrameRate(float* framesPerSecond) {
  if (!meter.started) {
    meter.started = true;
    meter.lastTime = timeGetTime();
  }
  const uint32_t now = timeGetTime();
  ++meter.frames;
  // Unsigned subtraction keeps the interval right across a wrap of the millisecond counter.
  meter.elapsed += static_cast<float>(now - meter.lastTime) * 0.001f;
  if (meter.elapsed >= 1.0f) {
    *framesPerSecond = static_cast<float>(meter.frames) / meter.elapsed;
    meter.elapsed = 0.0f;
    meter.frames = 0;
  }
  meter.lastTime = now;
}

void ResetFrameRateMeter() {
  meter = FrameRateMeter{};
}
