// The viewer mode's clip list, clock, keys and loading.
#include "app/viewer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "app/hatching_app.h"
#include "app/viewer_files.h"
#include "app/viewer_framing.h"
#include "app/viewer_keys.h"
#include "base/platform.h"
#include "model/skinned_model.h"

namespace {

constexpr double kFixedStep = 1.0 / 60;
// A stall (a dragged window, a debugger) plays on from where it was rather than jump.
constexpr double kLongestStep = 0.25;

std::string FileName(const std::string& path) {
  const std::string native = NativePath(path.c_str());
  const size_t slash = native.rfind('/');
  return slash == std::string::npos ? native : native.substr(slash + 1);
}

// Why the reference was not read, as the loaders' diagnostic says it.
std::string Refusal(const std::string& shown, const SmdDiagnostic& diagnostic) {
  std::string text = NativePath(shown.c_str());
  if (diagnostic.line > 0) text += ":" + std::to_string(diagnostic.line);
  if (diagnostic.result == -1)
    return text + ": " + std::strerror(diagnostic.systemError ? diagnostic.systemError : EIO);
  if (diagnostic.result == kSmdRead) return text + ": the file holds no triangles";
  return text + ": " + diagnostic.reason;
}

std::vector<std::string> WatchedPaths(const CharacterFiles& files) {
  std::vector<std::string> paths;
  if (!files.reference.empty()) paths.push_back(files.reference);
  for (const std::string& path : files.animations) paths.push_back(path);
  return paths;
}

}  // namespace

int Viewer::OverlayBand() {
  return 70;
}

void Viewer::Say(const std::string& text) {
  notice = text;
  std::fprintf(stderr, "hatching: %s\n", text.c_str());
}

void Viewer::ListClips(const std::vector<LoadedClip>& loaded, const CharacterFiles& files, HatchingApp& app) {
  clips.clear();
  for (const LoadedClip& clip : loaded) {
    if (clip.slot < 0) continue;
    const int frames = app.model->clips[clip.slot].frameCount;
    std::fprintf(stderr, "clip %zu: %s, %d key frame%s\n", clips.size(), FileName(clip.path).c_str(), frames,
                 frames == 1 ? "" : "s");
    clips.push_back(ViewerClip{FileName(clip.path), clip.slot});
  }
  const std::string& shown = files.typedReference.empty() ? files.reference : files.typedReference;
  referenceName = shown.empty() ? "Ref_Red.smd" : FileName(shown);
}

void Viewer::Start(HatchingApp& app) {
  clock.keyFramesPerSecond = options.keyFramesPerSecond;
  LoadReport loaded;
  LoadCharacter(app.character, app.renderContext.device, app.model, &loaded);
  ListClips(loaded.clips, app.character, app);
  app.animationStep = 0.0f;
  const int wanted = app.character.clip;
  current = clips.empty() ? -1 : wanted < static_cast<int>(clips.size()) ? wanted : 0;
  app.clipToPlay = current >= 0 ? clips[current].slot : -1;
  if (app.character.frame) Frame(app);
  ApplyChosenStrokes(app);
  if (options.watch) watch_.Watch(WatchedPaths(app.character));
}

// The field is made once a character, at the density the framing gave it.
void Viewer::ApplyChosenStrokes(HatchingApp& app) {
  if (StrokesFollowForm(app.character))
    ApplyStrokeField(app.model, app.renderContext.objectTransform.scale.x);
}

void Viewer::Frame(HatchingApp& app) {
  if (!app.model) return;
  RenderContext& context = app.renderContext;
  FramingRequest request;
  request.clip = app.clipToPlay;
  request.up = options.up;
  request.projection = context.projection;
  request.pictureHeight = context.backBufferHeight;
  request.topBand = OverlayBand();
  const Framing framing = FrameModel(*app.model, request);
  if (!framing.framed) return;
  context.objectTransform = framing.object;
  context.objectTransform.BuildWorldMatrix(&context.world);
  context.camera.position = framing.camera.position;
  context.camera.right = framing.camera.right;
  context.camera.up = framing.camera.up;
  context.camera.look = framing.camera.look;
  context.UpdateView();
  context.light.SetPosition(framing.light.x, framing.light.y, framing.light.z);
}

double Viewer::FrameSeconds() {
  if (fixedStep) return kFixedStep;
  const uint32_t now = timeGetTime();
  const double seconds = clockStarted_ ? (now - lastTime_) * 0.001 : 0.0;
  clockStarted_ = true;
  lastTime_ = now;
  return seconds < kLongestStep ? seconds : kLongestStep;
}

void Viewer::BeforeFrame(HatchingApp& app) {
  if (options.watch && watch_.Changed(timeGetTime())) {
    std::string why;
    if (Load(app, app.character, true, &why))
      notice.clear();
    else
      Say(why + " (the last good character stays)");
  }
  const double seconds = FrameSeconds();
  if (!app.model || current < 0) return;
  AnimationClip& clip = app.model->clips[clips[current].slot];
  // The frame shows the clock as it stands; the time it takes moves the clock for the next one.
  PoseClipAt(&clip, clock.keyFrame);
  shownKeyFrame = clock.keyFrame;
  clock.Advance(seconds, clip.frameCount);
}

void Viewer::SwitchClip(HatchingApp& app, int index) {
  if (clips.empty()) return;
  const int count = static_cast<int>(clips.size());
  current = ((index % count) + count) % count;
  app.clipToPlay = clips[current].slot;
  clock.Rewind();
  Frame(app);
}

bool Viewer::OnKey(HatchingApp& app, WPARAM key) {
  const int frames = app.model && current >= 0 ? app.model->clips[clips[current].slot].frameCount : 0;
  switch (key) {
    case VK_VIEWER_NEXT:
      SwitchClip(app, current + 1);
      return true;
    case VK_VIEWER_PRIOR:
      SwitchClip(app, current - 1);
      return true;
    case 'P':
      clock.paused = !clock.paused;
      return true;
    case VK_OEM_PERIOD:
    case VK_OEM_COMMA:
      if (clock.paused) clock.Step(key == VK_OEM_PERIOD ? 1 : -1, frames);
      return true;
    case VK_OEM_PLUS:
    case VK_ADD:
      clock.Faster();
      return true;
    case VK_OEM_MINUS:
    case VK_SUBTRACT:
      clock.Slower();
      return true;
    case VK_VIEWER_HOME:
      Frame(app);
      return true;
    case VK_VIEWER_F1:
    case 'H':
      helpShown = !helpShown;
      return true;
    case VK_F12:
      screenshotRequested_ = true;
      return true;
    default:
      return false;
  }
}

bool Viewer::TakeScreenshotRequest() {
  const bool requested = screenshotRequested_;
  screenshotRequested_ = false;
  return requested;
}

bool Viewer::Open(HatchingApp& app, const std::vector<std::string>& paths) {
  CharacterFiles files;
  files.links = app.character.links;
  std::string error;
  if (!SortNamedFiles(paths, &files, &error)) {
    Say(error + " (the character that shows stays)");
    return false;
  }
  if (!Load(app, files, false, &error)) {
    Say(error + " (the character that shows stays)");
    return false;
  }
  notice.clear();
  return true;
}

bool Viewer::Load(HatchingApp& app, const CharacterFiles& files, bool keepCamera, std::string* why) {
  SkinnedModel* fresh = new (std::nothrow) SkinnedModel();
  if (!fresh) {
    *why = "out of memory";
    return false;
  }
  LoadReport loaded;
  LoadCharacter(files, app.renderContext.device, fresh, &loaded);
  if (fresh->meshCount < 1 || fresh->meshes[0].triangleCount < 1) {
    const std::string& shown = files.typedReference.empty() ? files.reference : files.typedReference;
    *why = Refusal(shown, loaded.reference);
    delete fresh;
    return false;
  }
  const int keep = current;
  delete app.model;
  app.model = fresh;
  const bool frame = app.character.frame;
  const CharacterFiles::Strokes strokes = app.character.strokes;
  app.character = files;
  app.character.frame = frame;
  app.character.strokes = strokes;
  ListClips(loaded.clips, files, app);
  current = clips.empty() ? -1 : keepCamera && keep >= 0 && keep < static_cast<int>(clips.size()) ? keep : 0;
  app.clipToPlay = current >= 0 ? clips[current].slot : -1;
  if (!keepCamera) {
    clock.Rewind();
    Frame(app);
  }
  ApplyChosenStrokes(app);
  if (options.watch) watch_.Watch(WatchedPaths(files));
  return true;
}

