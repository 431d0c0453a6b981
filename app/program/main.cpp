// The program's entry point: reads the options, sets up the window system over SDL and the
// OpenGL backend, runs the application object, and writes the pictures the options ask for.
#include <sys/resource.h>
#include <time.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "app/hatching_app.h"
#include "app/input_script.h"
#include "app/options.h"
#include "app/program/content_folder.h"
#include "app/program/progress_line.h"
#include "app/program/thumbnail.h"
#include "app/sdl/event_translation.h"
#include "app/sdl/message_boxes.h"
#include "app/sdl/sdl_window_system.h"
#include "app/video/video_file.h"
#include "app/viewer_files.h"
#include "base/heap_policy.h"
#include "gfx/d3d9.h"
#include "gfx/gl/gl_backend.h"
#include "gfx/png_file.h"

namespace {

constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

double MonotonicSeconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Minor page faults of the whole process (every thread) so far.
long MinorFaults() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_minflt;
}

// Page faults a frame are counted from this frame on, once start-up's own memory is in place.
constexpr int kSettledFrame = 10;

// Taken before main runs, as close to the process's start as the program itself can see.
const double programStart = MonotonicSeconds();

// What the options ask of each rendered frame: the replay's clock, captured pictures, the video,
// the progress line, the frame limit. The picture buffer is reused from frame to frame.
struct FrameRecorder {
  const Options* options = nullptr;
  SdlWindowSystem* windowSystem = nullptr;
  VideoFile* video = nullptr;  // null without --record
  ProgressLine* progress = nullptr;
  std::vector<uint8_t> pixels;
  std::string startDirectory;
  std::string error;       // the first picture that could not be written
  std::string videoError;  // why the video stopped
  int capturedFrames = 0;
  // For --report-startup: when the first and the latest frame were presented.
  double firstFrameAt = 0;
  double lastFrameAt = 0;
  int lastFrame = 0;
  // For --report-startup: the process's minor page faults at kSettledFrame and at the latest frame.
  long settledFaults = 0;
  long lastFaults = 0;

  static void OnFrame(void* user, int framesRendered) {
    auto* self = static_cast<FrameRecorder*>(user);
    // The first frame has put what a frame needs on the heap; later ones find room beside it.
    if (framesRendered == 1) ReserveHeapHeadroom();
    self->windowSystem->NoteFramesRendered(framesRendered);
    const Options& options = *self->options;
    if (options.reportStartup) self->NoteTime(framesRendered);
    if (!options.captureDirectory.empty() && framesRendered % options.every == 0 && self->error.empty())
      self->Capture(framesRendered);
    if (self->video && self->videoError.empty()) self->Record();
    if (HatchingApp::Instance().viewer.TakeScreenshotRequest()) self->Screenshot();
    self->progress->Update(framesRendered, MonotonicSeconds());
    if (options.frames > 0 && framesRendered >= options.frames) self->windowSystem->PostQuitMessage(0);
  }

  void NoteTime(int framesRendered) {
    lastFrameAt = MonotonicSeconds();
    lastFrame = framesRendered;
    lastFaults = MinorFaults();
    if (framesRendered == 1) firstFrameAt = lastFrameAt;
    if (framesRendered == kSettledFrame) settledFaults = lastFaults;
  }

  // The monotonic clock's reading is printed too, so that a caller that noted the clock when it
  // started the process can tell the whole start-up time.
  void ReportTimes() const {
    if (lastFrame < 1) {
      std::fprintf(stderr, "hatching: startup: no frame was presented\n");
      return;
    }
    std::fprintf(
        stderr,
        "hatching: startup: first frame presented %.1f ms after the program started (monotonic %.6f s)\n",
        (firstFrameAt - programStart) * 1e3, firstFrameAt);
    if (lastFrame > 1 && lastFrameAt > firstFrameAt) {
      std::fprintf(
          stderr, "hatching: startup: %d frames after the first in %.1f ms, %.2f frames per second\n",
          lastFrame - 1, (lastFrameAt - firstFrameAt) * 1e3, (lastFrame - 1) / (lastFrameAt - firstFrameAt));
    }
    if (lastFrame > kSettledFrame) {
      std::fprintf(stderr, "hatching: startup: %.2f minor page faults a frame over frames %d to %d\n",
                   static_cast<double>(lastFaults - settledFaults) / (lastFrame - kSettledFrame),
                   kSettledFrame, lastFrame);
    }
  }

  // F12 in the viewer: the next free hatching-NNNN.png in the folder the program was started in.
  void Screenshot() {
    std::error_code code;
    for (int n = 1; n <= 9999; ++n) {
      char name[32];
      std::snprintf(name, sizeof name, "hatching-%04d.png", n);
      const std::string path = (std::filesystem::path(startDirectory) / name).string();
      if (std::filesystem::exists(path, code)) continue;
      std::string failure;
      int width = 0;
      int height = 0;
      IDirect3DDevice9* device = HatchingApp::Instance().renderContext.device;
      if (GlCapturePresentedFrame(device, &pixels, &width, &height) &&
          WritePng(path, pixels.data(), width, height, &failure))
        std::printf("%s\n", path.c_str());
      else
        std::fprintf(stderr, "hatching: %s\n",
                     failure.empty() ? (path + ": no rendered frame").c_str() : failure.c_str());
      std::fflush(stdout);
      return;
    }
    std::fprintf(stderr, "hatching: %s: hatching-0001.png to hatching-9999.png all exist\n",
                 startDirectory.c_str());
  }

  void Capture(int framesRendered) {
    char name[32];
    std::snprintf(name, sizeof name, "/frame_%06d.png", framesRendered);
    if (WriteFrame(options->captureDirectory + name)) ++capturedFrames;
  }

  void Record() {
    int width = 0;
    int height = 0;
    IDirect3DDevice9* device = HatchingApp::Instance().renderContext.device;
    if (!GlCapturePresentedFrame(device, &pixels, &width, &height)) {
      videoError = options->recordFile + ": no rendered frame to record";
      return;
    }
    video->AddFrame(pixels.data(), width, height, &videoError);
  }

  bool WriteFrame(const std::string& path) {
    int width = 0;
    int height = 0;
    IDirect3DDevice9* device = HatchingApp::Instance().renderContext.device;
    if (!GlCapturePresentedFrame(device, &pixels, &width, &height)) {
      error = path + ": no rendered frame to write";
      return false;
    }
    return WritePng(path, pixels.data(), width, height, &error);
  }
};

int WinMain(HINSTANCE instance, HINSTANCE /*previousInstance*/, char* /*commandLine*/, int showCommand) {
  return HatchingApp::Instance().Run(instance, showCommand);
}

// Replayed keys must be keys that exist, since they travel as SDL key events.
bool CheckReplayKeys(const std::string& path, const std::vector<InputEvent>& events) {
  for (const InputEvent& event : events) {
    SDL_Event unused;
    if (event.kind == InputEventKind::kKey && !KeyDownEventFor(static_cast<WPARAM>(event.key), 0, &unused)) {
      std::fprintf(stderr, "hatching: %s:%d: no key sends virtual-key code %d\n", path.c_str(), event.line,
                   event.key);
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  // Before SDL, the GL context and llvmpipe's threads: every frame reuses the pages of the last.
  KeepFreedMemoryMapped();
  Options options;
  std::string error;
  switch (ParseOptions(argc, argv, &options, &error)) {
    case OptionsStatus::kError:
      std::fprintf(stderr, "hatching: %s\nTry 'hatching --help'.\n", error.c_str());
      return kExitUsage;
    case OptionsStatus::kHelp:
      std::fputs(UsageText(), stdout);
      return 0;
    case OptionsStatus::kVersion:
      std::fputs(VersionText(), stdout);
      return 0;
    case OptionsStatus::kRun:
      break;
  }
  // Files named as arguments are sorted into a reference and its clips where they were typed.
  if (!options.viewer.files.empty() && !SortNamedFiles(options.viewer.files, &options.character, &error)) {
    std::fprintf(stderr, "hatching: %s\nTry 'hatching --help'.\n", error.c_str());
    return kExitUsage;
  }
  std::error_code noFolder;
  const std::string startDirectory = std::filesystem::current_path(noFolder).string();
  // Before anything is opened: the program's own files are read by relative paths.
  options.character.typedReference = options.character.reference;
  options.character.typedAnimations = options.character.animations;
  if (!EnterContentFolder(options.contentDirectory, CommandLinePaths(&options), &error)) {
    std::fprintf(stderr, "hatching: %s\n", error.c_str());
    return kExitFailure;
  }
  if (options.thumbnailSize > 0) {
    const ThumbnailRequest request{options.thumbnailSize, options.thumbnailInput, options.thumbnailOutput,
                                   options.character.links};
    if (WriteThumbnail(request, &error)) return 0;
    if (!error.empty()) std::fprintf(stderr, "hatching: %s\n", error.c_str());
    return kExitFailure;
  }

  std::vector<InputEvent> events;
  if (!options.inputFile.empty()) {
    if (!LoadInputScript(options.inputFile, &events, &error)) {
      std::fprintf(stderr, "hatching: %s\n", error.c_str());
      return kExitUsage;
    }
    if (!CheckReplayKeys(options.inputFile, events)) return kExitUsage;
    // Dropped paths mean the folder the program was started in, as typed ones do.
    std::vector<std::string*> dropped;
    for (InputEvent& event : events)
      for (std::string& path : event.paths) dropped.push_back(&path);
    AnchorPaths(dropped, startDirectory);
  }
  std::error_code notFolder;
  if (!options.screenshot.empty() && std::filesystem::is_directory(options.screenshot, notFolder)) {
    std::fprintf(stderr, "hatching: %s: is a folder (--screenshot names the PNG file to write)\n",
                 options.screenshot.c_str());
    return kExitFailure;
  }
  if ((!options.captureDirectory.empty() && !MakeDirectories(options.captureDirectory, &error)) ||
      (!options.screenshot.empty() && !CheckOutputFolder(options.screenshot, &error))) {
    std::fprintf(stderr, "hatching: %s\n", error.c_str());
    return kExitFailure;
  }

  VideoFile video;
  if (!options.recordFile.empty() && !video.Open(options.recordFile, &error)) {
    std::fprintf(stderr, "hatching: %s\n", error.c_str());
    return kExitFailure;
  }

  SdlWindowSystem windowSystem;
  if (!windowSystem.Start(options.headless, &error)) {
    std::fprintf(stderr, "hatching: %s%s\n", error.c_str(), options.headless ? "" : " (try --headless)");
    return kExitFailure;
  }
  windowSystem.SetReplay(InputReplay(std::move(events)));
  InstallMessageBoxes(options.headless);
  SetDirect3DFactory(CreateGlDirect3D);

  FrameRecorder recorder;
  recorder.options = &options;
  recorder.windowSystem = &windowSystem;
  recorder.startDirectory = startDirectory;
  if (!options.recordFile.empty()) recorder.video = &video;
  ProgressLine progress(stderr, options.headless ? options.frames : 0);
  recorder.progress = &progress;
  HatchingApp& app = HatchingApp::Instance();
  app.character = options.character;
  app.viewer.on = ViewerMode(options);
  app.viewer.options = options.viewer;
  // Pictures and videos are the same on every machine: each frame plays 1/60 s.
  app.viewer.fixedStep = options.headless || !options.recordFile.empty();
  if (app.viewer.on)
    windowSystem.SetDropHandler(
        [](void*, const std::vector<std::string>& paths) {
          HatchingApp& application = HatchingApp::Instance();
          application.viewer.Open(application, paths);
        },
        nullptr);
  app.overlay = options.overlay;
  if (options.width > 0) app.SetClientSize(options.width, options.height);
  app.renderContext.samples = SampleCount(options);
  app.UseWindowSystem(&windowSystem);
  app.SetFrameObserver(&FrameRecorder::OnFrame, &recorder);

  int exitCode = WinMain(nullptr, nullptr, nullptr, SW_SHOWDEFAULT);
  progress.Clear();

  if (!app.window) {
    std::fprintf(stderr, "hatching: %s\n", windowSystem.lastError().c_str());
    exitCode = kExitFailure;
  } else if (!app.startupFailure.empty()) {
    // The start-up stops without a box; the program still says why and fails.
    std::error_code noFolder;
    std::fprintf(stderr,
                 "hatching: %s (the program reads its files from its content folder, here %s; name another "
                 "with --content DIR)\n",
                 app.startupFailure.c_str(), std::filesystem::current_path(noFolder).c_str());
    exitCode = kExitFailure;
  }
  if (!options.screenshot.empty() && app.window) recorder.WriteFrame(options.screenshot);
  if (!recorder.error.empty()) {
    std::fprintf(stderr, "hatching: %s\n", recorder.error.c_str());
    exitCode = kExitFailure;
  }
  std::string closing;
  if (!video.Close(&closing) && recorder.videoError.empty()) recorder.videoError = closing;
  if (!recorder.videoError.empty()) {
    std::fprintf(stderr, "hatching: %s\n", recorder.videoError.c_str());
    exitCode = kExitFailure;
  }
  if (options.reportStartup) recorder.ReportTimes();

  // Everything made on the GL context goes before the context does.
  app.SetFrameObserver(nullptr, nullptr);
  app.ReleaseAll();
  app.UseWindowSystem(nullptr);
  windowSystem.Stop();
  return exitCode;
}
