// The program's command-line options. With none, the program runs in a window until the user
// quits; the options add a headless mode, a frame limit, pictures of the frames and input replay.
#pragma once

#include <string>
#include <vector>

#include "app/character.h"
#include "app/viewer_options.h"

struct Options {
  bool headless = false;
  // Quit after this many rendered frames; 0 runs until the user quits.
  int frames = 0;
  // Where the last rendered frame goes as PNG; empty for none.
  std::string screenshot;
  // Folder for every `every`-th frame as frame_NNNNNN.png; empty for none.
  std::string captureDirectory;
  int every = 0;
  // Input replay file; empty for none.
  std::string inputFile;
  // The folder the program's own files are read from; empty to look for it (see content_folder.h).
  std::string contentDirectory;
  // Video of the rendered frames: MP4 (H.264), or GIF for a name ending in .gif; empty for none.
  std::string recordFile;
  // Print to standard error when the first frame was presented and the frame rate after it.
  bool reportStartup = false;
  // The headless back buffer's size (--size WxH); 0 keeps the window's 800 x 600.
  int width = 0;
  int height = 0;
  // Draw the seven overlay lines; --no-overlay leaves the picture bare.
  bool overlay = true;
  // --thumbnail SIZE INPUT OUTPUT: a SIZE x SIZE picture of INPUT's character written to OUTPUT,
  // no window, no loop. 0 when not asked for.
  int thumbnailSize = 0;
  std::string thumbnailInput;
  std::string thumbnailOutput;
  // The character to show: --reference, --animation (repeated), --clip, --skinning, --no-frame.
  CharacterFiles character;
  // File arguments, --viewer, --fps, --up, --watch.
  ViewerOptions viewer;
  // Samples a pixel (--samples: 1, 2, 4 or 8); 0 leaves it to SampleCount.
  int samples = 0;
  bool help = false;
  bool version = false;
};

enum class OptionsStatus {
  kRun,      // options are in place; run the program
  kHelp,     // print the usage to standard output, exit 0
  kVersion,  // print the version, exit 0
  kError,    // print the error and the usage to standard error, exit 2
};

// Reads argv[1..argc-1] into `options`. Each option with a value takes it from the next argument
// or after '=' ("--frames 10", "--frames=10"). On kError, `error` says which argument is wrong.
OptionsStatus ParseOptions(int argc, const char* const* argv, Options* options, std::string* error);

// Samples a pixel to draw with: --samples when given; else 4 when the user names a character of
// their own (a silhouette without stairs), 1 for the default character.
int SampleCount(const Options& options);

// The options that name a file or folder. As typed they mean the folder the program was started
// in; they are made absolute before the program moves into its content folder.
std::vector<std::string*> CommandLinePaths(Options* options);

// Whether the viewer mode is on: own files named, or --viewer.
bool ViewerMode(const Options& options);

const char* UsageText();
const char* VersionText();
