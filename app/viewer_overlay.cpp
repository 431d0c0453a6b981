// The viewer mode's overlay: the file and clip, the key frame and speed, paused or playing, a
// notice when a file failed, and the key panel behind F1.
#include <cstdio>

#include "app/hatching_app.h"
#include "app/viewer.h"
#include "model/skinned_model.h"
#include "render/overlay_text.h"

namespace {

constexpr const char* kKeyPanel[] = {
    "PageDown / PageUp: next / previous clip",
    "P: pause and play",
    ". and ,: one key frame on / back while paused",
    "+ and -: double / halve the speed",
    "Home: frame the character again",
    "F1 or H: this panel",
    "F12: screenshot hatching-NNNN.png",
    "W/A/S/D, R/F, Q/E: move the camera; right button: look",
    "Num 4/6, 8/5, 7/9: move the light",
    "Space: wireframe / solid;  Esc: quit",
};
constexpr int kLineStep = 20;

}  // namespace

void Viewer::DrawOverlay(HatchingApp& app) {
  char* line = app.scene.textLine;
  const size_t size = sizeof app.scene.textLine;
  RenderContext& context = app.renderContext;
  const int count = static_cast<int>(clips.size());
  if (current >= 0)
    std::snprintf(line, size, "%s   clip %d/%d: %s", referenceName.c_str(), current + 1, count,
                  clips[current].name.c_str());
  else
    std::snprintf(line, size, "%s   no clip: bind pose", referenceName.c_str());
  context.DrawOverlayText(line, kOverlayX, kOverlayY[0]);

  const int frames = app.model && current >= 0 ? app.model->clips[clips[current].slot].frameCount : 0;
  std::snprintf(line, size, "key frame %.1f / %d   speed %gx   %s", shownKeyFrame, frames, clock.speed,
                clock.paused ? "paused" : "playing");
  context.DrawOverlayText(line, kOverlayX, kOverlayY[1]);

  std::snprintf(line, size, "%s", notice.empty() ? "F1 or H: keys" : notice.c_str());
  context.DrawOverlayText(line, kOverlayX, kOverlayY[2]);

  if (!helpShown) return;
  int y = kOverlayY[2] + 2 * kLineStep;
  for (const char* text : kKeyPanel) {
    std::snprintf(line, size, "%s", text);
    context.DrawOverlayText(line, kOverlayX, y);
    y += kLineStep;
  }
}
