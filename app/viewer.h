// The viewer mode: what a user who names their own character needs. It lists the clips that
// loaded, plays them by the clock at their own rate, answers the clip keys, frames every pose of
// the clip that plays, keeps the backdrop round the camera, and loads dropped or changed files
// without losing the character that shows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/character.h"
#include "app/viewer_options.h"
#include "app/viewer_playback.h"
#include "app/viewer_watch.h"
#include "app/win32.h"

class HatchingApp;

struct ViewerClip {
  std::string name;  // the file's name, without its folder
  int slot = 0;      // the model's clip slot
};

class Viewer {
 public:
  // Set before the application runs.
  ViewerOptions options;
  bool on = false;
  // Each rendered frame plays 1/60 s (headless runs and recordings) rather than the clock's time.
  bool fixedStep = false;

  // Loads the application's character into its model, prints one line a clip on standard error
  // and frames the first clip (the one --clip names, when it loaded).
  void Start(HatchingApp& app);
  // Before each frame: the clock, the clip's pose, the watched files.
  void BeforeFrame(HatchingApp& app);
  // A key the application's own table does not take; true when it meant something here.
  bool OnKey(HatchingApp& app, WPARAM key);
  // Loads `paths` as if named on the command line; on failure the character that shows stays
  // and `notice` says why (standard error too).
  bool Open(HatchingApp& app, const std::vector<std::string>& paths);
  // The overlay's lines for this mode, drawn instead of the default's.
  void DrawOverlay(HatchingApp& app);
  // The form's stroke field on the model, unless the file's uv was asked for.
  void ApplyChosenStrokes(HatchingApp& app);
  // F12 was pressed since the last call.
  bool TakeScreenshotRequest();
  // Frames the clip that plays again and puts the camera back (Home, a new clip).
  void Frame(HatchingApp& app);

  // What the overlay shows; public for the tests.
  std::vector<ViewerClip> clips;
  int current = -1;  // index into clips; -1: the bind pose
  PlaybackClock clock;
  // The key frame the last frame showed (the clock has moved on by that frame's time since).
  double shownKeyFrame = 0;
  bool helpShown = false;
  std::string referenceName;
  std::string notice;
  // Pixels at the top of the picture the overlay's lines take.
  static int OverlayBand();

 private:
  bool Load(HatchingApp& app, const CharacterFiles& files, bool keepCamera, std::string* why);
  void ListClips(const std::vector<LoadedClip>& loaded, const CharacterFiles& files, HatchingApp& app);
  void SwitchClip(HatchingApp& app, int index);
  double FrameSeconds();
  void Say(const std::string& text);

  bool screenshotRequested_ = false;
  bool clockStarted_ = false;
  uint32_t lastTime_ = 0;
  FileWatch watch_;
};
