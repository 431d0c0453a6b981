// What the viewer mode is asked for on the command line: the files named, the clips' rate, the
// up axis, watching the files. The mode is on when the user names files of their own
// (--reference or file arguments) or passes --viewer.
#pragma once

#include <string>
#include <vector>

enum class UpAxis { kDecide, kY, kZ };

struct ViewerOptions {
  // --viewer: the mode with the default character.
  bool requested = false;
  // SMD files and folders named as arguments, in the order given.
  std::vector<std::string> files;
  // Key frames a second a clip plays at (--fps).
  int keyFramesPerSecond = 30;
  UpAxis up = UpAxis::kDecide;
  // --watch: reload the named files when they change on disk.
  bool watch = false;
};
