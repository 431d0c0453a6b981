// Command-line option parsing.
#include "app/options.h"

#include <charconv>
#include <cstring>

namespace {

constexpr int kMaxCount = 100000000;
constexpr size_t kMaxClips = 32;
// The default character's clips: Attack, Run, Stun.
constexpr size_t kDefaultClips = 3;
constexpr int kMaxKeyFramesPerSecond = 1000;
// Pictures from a thumbnail's corner to a large poster; llvmpipe renders up to 16384 a side.
constexpr int kMinSide = 16;
constexpr int kMaxSide = 8192;

bool ParseCount(const std::string& text, int minimum, int* value) {
  int parsed = 0;
  const char* end = text.data() + text.size();
  const auto [stop, status] = std::from_chars(text.data(), end, parsed);
  if (status != std::errc() || stop != end || text.empty()) return false;
  if (parsed < minimum || parsed > kMaxCount) return false;
  *value = parsed;
  return true;
}

bool ParseSide(const std::string& text, int* value) {
  return ParseCount(text, kMinSide, value) && *value <= kMaxSide;
}

// "WxH", each side a whole number of pixels.
bool ParseSize(const std::string& text, int* width, int* height) {
  const size_t cross = text.find('x');
  return cross != std::string::npos && ParseSide(text.substr(0, cross), width) &&
         ParseSide(text.substr(cross + 1), height);
}

// A thumbnail is one picture of one file: the options that shape a run have no meaning there.
bool OnlyThumbnailOptions(const Options& options) {
  const CharacterFiles& character = options.character;
  return !options.headless && options.frames == 0 && options.screenshot.empty() &&
         options.captureDirectory.empty() && options.inputFile.empty() && options.recordFile.empty() &&
         !options.reportStartup && options.width == 0 && options.overlay && character.reference.empty() &&
         character.animations.empty() && character.clip == 0 && character.frame &&
         character.strokes == CharacterFiles::Strokes::kChosen && options.viewer.files.empty() &&
         !options.viewer.requested && !options.viewer.watch;
}

// Splits "--name=value" into name and value; `hasValue` tells whether '=' was there.
void SplitArgument(const char* argument, std::string* name, std::string* value, bool* hasValue) {
  const char* equals = std::strchr(argument, '=');
  *hasValue = equals != nullptr;
  if (equals) {
    name->assign(argument, equals);
    value->assign(equals + 1);
  } else {
    name->assign(argument);
    value->clear();
  }
}

}  // namespace

OptionsStatus ParseOptions(int argc, const char* const* argv, Options* options, std::string* error) {
  *options = Options{};
  bool sawEvery = false;
  for (int i = 1; i < argc; ++i) {
    std::string name;
    std::string value;
    bool hasValue = false;
    // Anything not an option names a file or folder of the user's own.
    if (argv[i][0] != '-' || argv[i][1] == '\0') {
      options->viewer.files.push_back(argv[i]);
      continue;
    }
    SplitArgument(argv[i], &name, &value, &hasValue);

    if (name == "--thumbnail") {
      if (hasValue || i + 3 >= argc) {
        *error = "--thumbnail needs three values: SIZE INPUT OUTPUT";
        return OptionsStatus::kError;
      }
      if (!ParseSide(argv[i + 1], &options->thumbnailSize)) {
        *error = "--thumbnail needs a size from " + std::to_string(kMinSide) + " to " +
                 std::to_string(kMaxSide) + " pixels, not '" + argv[i + 1] + "'";
        return OptionsStatus::kError;
      }
      options->thumbnailInput = argv[i + 2];
      options->thumbnailOutput = argv[i + 3];
      if (options->thumbnailInput.empty() || options->thumbnailOutput.empty()) {
        *error = "--thumbnail needs a non-empty INPUT and OUTPUT";
        return OptionsStatus::kError;
      }
      i += 3;
      continue;
    }
    const bool takesValue = name == "--frames" || name == "--screenshot" || name == "--capture" ||
                            name == "--every" || name == "--input" || name == "--content" ||
                            name == "--record" || name == "--reference" || name == "--animation" ||
                            name == "--clip" || name == "--skinning" || name == "--fps" || name == "--up" ||
                            name == "--strokes" || name == "--size" || name == "--samples";
    if (takesValue && !hasValue) {
      if (i + 1 >= argc) {
        *error = name + " needs a value";
        return OptionsStatus::kError;
      }
      value = argv[++i];
    } else if (!takesValue && hasValue) {
      *error = name + " takes no value";
      return OptionsStatus::kError;
    }
    if (takesValue && value.empty()) {
      *error = name + " needs a non-empty value";
      return OptionsStatus::kError;
    }

    if (name == "--headless") {
      options->headless = true;
    } else if (name == "--frames") {
      if (!ParseCount(value, 1, &options->frames)) {
        *error = "--frames needs a whole number from 1 to 100000000, not '" + value + "'";
        return OptionsStatus::kError;
      }
    } else if (name == "--every") {
      if (!ParseCount(value, 1, &options->every)) {
        *error = "--every needs a whole number from 1 to 100000000, not '" + value + "'";
        return OptionsStatus::kError;
      }
      sawEvery = true;
    } else if (name == "--screenshot") {
      options->screenshot = value;
    } else if (name == "--capture") {
      options->captureDirectory = value;
    } else if (name == "--input") {
      options->inputFile = value;
    } else if (name == "--content") {
      options->contentDirectory = value;
    } else if (name == "--record") {
      options->recordFile = value;
    } else if (name == "--reference") {
      options->character.reference = value;
    } else if (name == "--animation") {
      if (options->character.animations.size() == kMaxClips) {
        *error = "--animation: at most " + std::to_string(kMaxClips) + " clips";
        return OptionsStatus::kError;
      }
      options->character.animations.push_back(value);
    } else if (name == "--clip") {
      if (!ParseCount(value, 0, &options->character.clip) ||
          options->character.clip >= static_cast<int>(kMaxClips)) {
        *error =
            "--clip needs a clip number from 0 to " + std::to_string(kMaxClips - 1) + ", not '" + value + "'";
        return OptionsStatus::kError;
      }
    } else if (name == "--skinning") {
      if (value != "links" && value != "parent") {
        *error = "--skinning needs 'links' or 'parent', not '" + value + "'";
        return OptionsStatus::kError;
      }
      options->character.links = value == "links";
    } else if (name == "--size") {
      if (!ParseSize(value, &options->width, &options->height)) {
        *error = "--size needs WxH, each from " + std::to_string(kMinSide) + " to " +
                 std::to_string(kMaxSide) + " pixels, not '" + value + "'";
        return OptionsStatus::kError;
      }
    } else if (name == "--no-overlay") {
      options->overlay = false;
    } else if (name == "--strokes") {
      if (value != "form" && value != "uv") {
        *error = "--strokes needs 'form' or 'uv', not '" + value + "'";
        return OptionsStatus::kError;
      }
      options->character.strokes =
          value == "form" ? CharacterFiles::Strokes::kForm : CharacterFiles::Strokes::kUv;
    } else if (name == "--samples") {
      if (value != "1" && value != "2" && value != "4" && value != "8") {
        *error = "--samples needs 1, 2, 4 or 8, not '" + value + "'";
        return OptionsStatus::kError;
      }
      options->samples = value[0] - '0';
    } else if (name == "--no-frame") {
      options->character.frame = false;
    } else if (name == "--viewer") {
      options->viewer.requested = true;
    } else if (name == "--watch") {
      options->viewer.watch = true;
    } else if (name == "--fps") {
      if (!ParseCount(value, 1, &options->viewer.keyFramesPerSecond) ||
          options->viewer.keyFramesPerSecond > kMaxKeyFramesPerSecond) {
        *error = "--fps needs a whole number from 1 to 1000, not '" + value + "'";
        return OptionsStatus::kError;
      }
    } else if (name == "--up") {
      if (value != "y" && value != "z") {
        *error = "--up needs 'y' or 'z', not '" + value + "'";
        return OptionsStatus::kError;
      }
      options->viewer.up = value == "y" ? UpAxis::kY : UpAxis::kZ;
    } else if (name == "--report-startup") {
      options->reportStartup = true;
    } else if (name == "--help" || name == "-h") {
      options->help = true;
    } else if (name == "--version") {
      options->version = true;
    } else {
      *error = "unknown option '" + std::string(argv[i]) + "'";
      return OptionsStatus::kError;
    }
  }
  if (sawEvery && options->captureDirectory.empty()) {
    *error = "--every needs --capture";
    return OptionsStatus::kError;
  }
  if (!options->captureDirectory.empty() && !sawEvery) options->every = 1;
  // A window keeps its 800 x 600: the size is for pictures and recordings.
  if (options->width > 0 && !options->headless) {
    *error = "--size needs --headless";
    return OptionsStatus::kError;
  }
  if (options->thumbnailSize > 0 && !OnlyThumbnailOptions(*options)) {
    *error = "--thumbnail takes no other options than --content and --skinning";
    return OptionsStatus::kError;
  }
  // The clips load in order into slots 0, 1, ...: the one to play must be among them.
  const CharacterFiles& character = options->character;
  if (!options->viewer.files.empty() && !character.reference.empty()) {
    *error = "name the reference either with --reference or as a file argument, not both";
    return OptionsStatus::kError;
  }
  // Files named as arguments are sorted into reference and clips only when they are read.
  const size_t clips = !options->viewer.files.empty()  ? kMaxClips
                       : !character.animations.empty() ? character.animations.size()
                       : character.reference.empty()   ? kDefaultClips
                                                       : 1;
  if (static_cast<size_t>(character.clip) >= clips) {
    *error = "--clip " + std::to_string(character.clip) + ": only " + std::to_string(clips) +
             (clips == 1 ? " clip is" : " clips are") + " loaded (numbered from 0)";
    return OptionsStatus::kError;
  }
  if (options->help) return OptionsStatus::kHelp;
  if (options->version) return OptionsStatus::kVersion;
  return OptionsStatus::kRun;
}

int SampleCount(const Options& options) {
  if (options.samples > 0) return options.samples;
  const bool ownCharacter = !options.character.reference.empty() || !options.viewer.files.empty();
  return ownCharacter ? 4 : 1;
}

std::vector<std::string*> CommandLinePaths(Options* options) {
  std::vector<std::string*> paths = {&options->screenshot,          &options->captureDirectory,
                                     &options->inputFile,           &options->recordFile,
                                     &options->character.reference, &options->thumbnailInput,
                                     &options->thumbnailOutput};
  for (std::string& animation : options->character.animations) paths.push_back(&animation);
  for (std::string& file : options->viewer.files) paths.push_back(&file);
  return paths;
}

bool ViewerMode(const Options& options) {
  return options.viewer.requested || !options.viewer.files.empty() || !options.character.reference.empty();
}

const char* UsageText() {
  return "Usage: hatching [options] [FILE.smd... | FOLDER]\n"
         "       hatching --thumbnail SIZE INPUT OUTPUT [--content DIR] [--skinning MODE]\n"
         "Shows the animated character in pencil hatching. Its files (Model/, Textures/ and\n"
         "Shaders/) come from the folder --content names, else from the current folder when it\n"
         "holds Shaders/Hatching.fx, else from share/hatching beside the program's bin folder\n"
         "(in the build tree, from content/ beside the program).\n"
         "\n"
         "Options:\n"
         "  --headless           render without a window on screen (no display needed)\n"
         "  --frames N           quit after N rendered frames\n"
         "  --screenshot FILE    write the last rendered frame to FILE (PNG)\n"
         "  --capture DIR        write rendered frames to DIR/frame_NNNNNN.png\n"
         "  --every K            with --capture: only every K-th frame (default 1)\n"
         "  --input FILE         replay the input events listed in FILE\n"
         "  --record FILE        write the rendered frames as a video: MP4 (H.264, 60 frames a\n"
         "                       second), or an animated GIF when FILE ends in .gif (every\n"
         "                       other frame, 30 a second)\n"
         "  --content DIR        read the program's files from DIR; other paths given here stay\n"
         "                       relative to the current folder\n"
         "  --reference FILE     show the character of this reference SMD file\n"
         "  --animation FILE     load an animation SMD file; repeat for more clips (at most 32),\n"
         "                       loaded in order into clips 0, 1, ...\n"
         "  --clip N             the clip that plays (default 0)\n"
         "  --skinning MODE      'parent' (default): one bone per vertex; 'links': the weighted\n"
         "                       links after each vertex's u v, up to four per vertex\n"
         "  --strokes MODE       'uv': hatch along the file's texture coordinates (the default\n"
         "                       for the default character); 'form': along the character's\n"
         "                       form, whatever its uv (the default with --reference)\n"
         "  --no-frame           with --reference: keep the fixed start camera instead of\n"
         "                       framing the character\n"
         "  FILE.smd..., FOLDER  show your own character: the one file that holds triangles is\n"
         "                       the reference, the others are clips in the order given; a\n"
         "                       folder gives its reference and clips in name order\n"
         "  --viewer             the viewer's clip keys, overlay and framing for the default\n"
         "                       character (on whenever files of your own are named)\n"
         "  --fps N              key frames a second the clips play at (default 30)\n"
         "  --up y|z             the character's up axis, instead of deciding it\n"
         "  --watch              reload the named files when they change on disk\n"
         "  --size WxH           with --headless: render W x H pixels instead of 800 x 600\n"
         "  --no-overlay         leave out the overlay's lines of text\n"
         "  --thumbnail SIZE INPUT OUTPUT\n"
         "                       write a SIZE x SIZE PNG picture of the character of the SMD\n"
         "                       file INPUT to OUTPUT, in its bind pose, and exit (no window,\n"
         "                       no display; for file managers)\n"
         "  --samples N          draw with N samples a pixel: 1, 2, 4 or 8 (default 1; 4 with\n"
         "                       files of your own); a count the driver lacks gives the nearest it has\n"
         "  --report-startup     print to standard error when the first frame was presented\n"
         "                       and the frame rate and page faults of the frames after it\n"
         "  --help               show this text\n"
         "  --version            show the version\n"
         "\n"
         "Input file: one event a line, '#' starts a comment; F is the number of frames\n"
         "rendered before the event:\n"
         "  F key VK   F rdown X Y   F move X Y   F rup X Y\n"
         "  F deactivate   F activate   F close   F drop PATH...\n"
         "\n"
         "Keys: W/S walk, A/D strafe, R/F fly, Q/E roll, right-button drag looks around,\n"
         "keypad 4/6/8/5/7/9 move the light (Num Lock on), Space toggles wireframe, Esc quits.\n"
         "Viewer keys: PageDown/PageUp next/previous clip, P pause, . and , one key frame on/back,\n"
         "+ and - double/halve the speed, Home frame again, F1 or H key panel, F12 screenshot.\n";
}

const char* VersionText() {
  return "hatching 1.0.0\n";
}
