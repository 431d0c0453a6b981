// The real program, headless on the generated content: frames against reference pictures,
// replayed input moving the camera and the light, a missing effect file, the ways the program
// ends and its exit codes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "render/overlay_text.h"
#include "tests/e2e/e2e_support.h"

namespace fs = std::filesystem;

namespace {

// The region of the overlay's seven lines, top left: frame rate, camera, light, then the key
// help, at the heights render/overlay_text.h gives them.
constexpr int kOverlayWidth = 620, kOverlayHeight = 160;
constexpr int kLineHeight = kOverlayY[1] - kOverlayY[0];
constexpr int kCameraLineTop = kOverlayY[1], kLightLineTop = kOverlayY[2];

std::string FramePath(const std::string& directory, int frame) {
  char name[32];
  std::snprintf(name, sizeof name, "/frame_%06d.png", frame);
  return directory + name;
}

// Runs headless in the content folder with `arguments` after the usual ones.
RunResult RunHeadless(const std::string& tag, std::vector<std::string> arguments,
                      const std::string& content = ContentDirectory()) {
  arguments.insert(arguments.begin(), "--headless");
  return RunProgram(arguments, content, tag);
}

std::string InputFile(const std::string& tag, const std::string& text) {
  const std::string path = TestOutputDirectory(tag) + "/input.txt";
  EXPECT_TRUE(WriteText(path, text));
  return path;
}

// Every pixel outside the overlay is the clear colour.
long CountNonBackground(const Picture& picture) {
  long count = 0;
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x) {
      if (x < kOverlayWidth && y < kOverlayHeight) continue;
      const uint8_t* p = picture.At(x, y);
      if (p[0] != 0 || p[1] != 0 || p[2] != 255) ++count;
    }
  return count;
}

TEST(Hatching, FramesMatchTheReferencePictures) {
  const std::string out = FreshOutputDirectory("frames");
  const RunResult run = RunHeadless("frames", {"--frames", "120", "--capture", out, "--every", "60"});
  ASSERT_FALSE(run.timedOut);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const std::string frame60 = FramePath(out, 60);
  const std::string frame120 = FramePath(out, 120);
  EXPECT_EQ(CheckAgainstReference(frame60, "e2e_frame_060.png"), "");
  EXPECT_EQ(CheckAgainstReference(frame120, "e2e_frame_120.png"), "");
  EXPECT_FALSE(fs::exists(FramePath(out, 121)));

  // The character moves between the two; the box and the background do not.
  Picture a;
  Picture b;
  ASSERT_TRUE(LoadPicture(frame60, &a));
  ASSERT_TRUE(LoadPicture(frame120, &b));
  EXPECT_EQ(a.width, 800);
  EXPECT_EQ(a.height, 600);
  EXPECT_GT(Compare(a, b, 0, kOverlayHeight, 800, 600 - kOverlayHeight).fractionOver32, 0.001);
}

TEST(Hatching, ReplayedInputMovesTheCameraAndTheLight) {
  const std::string out = FreshOutputDirectory("replay");
  const RunResult plain = RunHeadless("replay-plain", {"--frames", "2", "--screenshot", out + "/plain.png"});
  ASSERT_EQ(plain.exitCode, 0) << plain.err;
  const std::string input = TestDataDirectory() + "/e2e_replay.txt";
  const RunResult moved =
      RunHeadless("replay", {"--frames", "2", "--input", input, "--screenshot", out + "/moved.png"});
  ASSERT_FALSE(moved.timedOut);
  ASSERT_EQ(moved.exitCode, 0) << moved.err;
  EXPECT_EQ(CheckAgainstReference(out + "/plain.png", "e2e_start.png"), "");
  EXPECT_EQ(CheckAgainstReference(out + "/moved.png", "e2e_replay.png"), "");

  Picture before;
  Picture after;
  ASSERT_TRUE(LoadPicture(out + "/plain.png", &before));
  ASSERT_TRUE(LoadPicture(out + "/moved.png", &after));
  // The camera and light lines of the overlay show new numbers, and the view has turned.
  const Difference numbers = Compare(before, after, 0, kCameraLineTop, kOverlayWidth, 2 * kLineHeight);
  EXPECT_GT(numbers.fractionOver32, 0.002);
  EXPECT_GT(Compare(before, after, 0, kOverlayHeight, 800, 600 - kOverlayHeight).fractionOver32, 0.05);
}

TEST(Hatching, MissingEffectShowsOneErrorAndOnlyBackgroundAndOverlay) {
  const std::string content = CopyOfContent("no-effect");
  fs::remove(content + "/Shaders/Hatching.fx");
  const std::string shot = TestOutputDirectory("no-effect") + "/frame.png";
  // Named: a folder without the effect file is otherwise passed over for the build's content.
  const RunResult run =
      RunHeadless("no-effect", {"--content", content, "--frames", "2", "--screenshot", shot}, content);
  ASSERT_FALSE(run.timedOut);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(CountLinesStartingWith(run.err, "ERROR: "), 1) << run.err;
  EXPECT_EQ(CountLinesStartingWith(run.err, "Error: "), 0) << run.err;

  Picture frame;
  ASSERT_TRUE(LoadPicture(shot, &frame));
  EXPECT_EQ(CountNonBackground(frame), 0);
  // The overlay is still drawn.
  Picture blue = frame;
  for (size_t i = 0; i < blue.rgb.size(); i += 3) {
    blue.rgb[i] = 0;
    blue.rgb[i + 1] = 0;
    blue.rgb[i + 2] = 255;
  }
  EXPECT_GT(Compare(frame, blue, 0, 0, kOverlayWidth, kOverlayHeight).fractionOver32, 0.02);
  EXPECT_EQ(CheckAgainstReference(shot, "e2e_no_effect.png"), "");
}

// No box, as the start-up order has it, but one line that names the file, and a failure.
TEST(Hatching, MissingTextureStopsWithTheFileItCouldNotReadAndExitCodeOne) {
  const std::string content = CopyOfContent("no-texture");
  fs::remove(content + "/Textures/Hatch3.dds");
  const RunResult run = RunHeadless("no-texture", {"--frames", "5"}, content);
  ASSERT_FALSE(run.timedOut);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err.rfind("hatching: ./Textures/Hatch3.dds: No such file or directory (", 0), 0u) << run.err;
  EXPECT_EQ(CountLinesStartingWith(run.err, ""), 1) << run.err;
}

// Esc and the close button both end the program with exit code 0 before the next frame.
TEST(Hatching, EscapeAndCloseEndWithExitCodeZero) {
  for (const char* event : {"key 27", "close"}) {
    const std::string tag = event[0] == 'k' ? "escape" : "close";
    const std::string out = FreshOutputDirectory(tag);
    fs::remove_all(out + "/frames");
    const std::string input = InputFile(tag, std::string("3 ") + event + "\n");
    const RunResult run = RunHeadless(
        tag, {"--frames", "1000", "--input", input, "--capture", out + "/frames", "--every", "1"});
    ASSERT_FALSE(run.timedOut) << event;
    EXPECT_EQ(run.exitCode, 0) << event << ": " << run.err;
    EXPECT_TRUE(fs::exists(FramePath(out + "/frames", 3))) << event;
    EXPECT_FALSE(fs::exists(FramePath(out + "/frames", 4))) << event;
  }
}

// While inactive nothing is rendered but messages are still handled; the replay then delivers
// its next event at once rather than waiting for a frame that cannot come.
TEST(Hatching, InactiveWindowHandlesInputAndResumesOnActivation) {
  const std::string out = FreshOutputDirectory("inactive");
  fs::remove_all(out + "/frames");
  const std::string input = InputFile("inactive",
                                      "2 deactivate\n2 key 102\n2 key 102\n2 key 102\n"
                                      "50 activate\n");
  const RunResult run = RunHeadless(
      "inactive", {"--frames", "4", "--input", input, "--capture", out + "/frames", "--every", "1"});
  ASSERT_FALSE(run.timedOut);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(fs::exists(FramePath(out + "/frames", 4)));
  EXPECT_FALSE(fs::exists(FramePath(out + "/frames", 5)));
  Picture second;
  Picture third;
  ASSERT_TRUE(LoadPicture(FramePath(out + "/frames", 2), &second));
  ASSERT_TRUE(LoadPicture(FramePath(out + "/frames", 3), &third));
  // The light's line of the overlay changed while the window was inactive.
  EXPECT_GT(Compare(second, third, 0, kLightLineTop, kOverlayWidth, kLineHeight).fractionOver32, 0.001);
}

TEST(Hatching, HeadlessRunLeftInactiveStopsInsteadOfSleepingForever) {
  const std::string input = InputFile("inactive-forever", "1 deactivate\n");
  const RunResult run = RunHeadless("inactive-forever", {"--frames", "100", "--input", input});
  ASSERT_FALSE(run.timedOut);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_NE(run.err.find("inactive"), std::string::npos) << run.err;
}

TEST(Hatching, OptionsAndTheirRefusals) {
  const RunResult unknown = RunProgram({"--bogus"}, ContentDirectory(), "options-unknown");
  EXPECT_EQ(unknown.exitCode, 2);
  EXPECT_NE(unknown.err.find("unknown option '--bogus'"), std::string::npos) << unknown.err;
  EXPECT_EQ(unknown.err, "hatching: unknown option '--bogus'\nTry 'hatching --help'.\n");
  EXPECT_EQ(unknown.out, "");

  const RunResult help = RunProgram({"--help"}, ContentDirectory(), "options-help");
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("--headless"), std::string::npos);

  const RunResult version = RunProgram({"--version"}, ContentDirectory(), "options-version");
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out.rfind("hatching ", 0), 0u);

  const RunResult badCount = RunProgram({"--frames", "many"}, ContentDirectory(), "options-count");
  EXPECT_EQ(badCount.exitCode, 2);

  // Pictures that cannot be written fail the run with the system's reason: a full disk after the
  // frames, a folder that does not exist before any.
  const RunResult full = RunProgram({"--headless", "--frames", "1", "--screenshot", "/dev/full"},
                                    ContentDirectory(), "options-full");
  EXPECT_EQ(full.exitCode, 1);
  EXPECT_EQ(full.err, "hatching: /dev/full: cannot write the file: No space left on device\n");
  const RunResult nowhere = RunProgram({"--headless", "--frames", "1", "--screenshot", "/no/such/x.png"},
                                       ContentDirectory(), "options-nowhere");
  EXPECT_EQ(nowhere.exitCode, 1);
  EXPECT_EQ(nowhere.err,
            "hatching: /no/such/x.png: cannot write there: /no/such: No such file or directory\n");
}

// Rather than render where nobody can see it (SDL would fall back to its offscreen driver).
TEST(Hatching, WindowedRunWithoutDisplayFailsAndSaysSo) {
  const RunResult run =
      RunProgramUnder({"env", "-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "SDL_VIDEODRIVER"},
                      {"--frames", "1"}, ContentDirectory(), "no-display", 30);
  ASSERT_FALSE(run.timedOut);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("hatching: no display to open a window on (try --headless)"), std::string::npos)
      << run.err;
}

TEST(Hatching, BadInputFileIsRefusedWithFileAndLine) {
  const std::string input = InputFile("bad-input", "0 key 87\n1 wave 3\n");
  const RunResult run = RunHeadless("bad-input", {"--frames", "1", "--input", input});
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find(input + ":2: unknown event 'wave'"), std::string::npos) << run.err;

  const std::string noKey = InputFile("bad-key", "# comment\n0 key 200\n");
  const RunResult refused = RunHeadless("bad-key", {"--frames", "1", "--input", noKey});
  EXPECT_EQ(refused.exitCode, 2);
  EXPECT_NE(refused.err.find(noKey + ":2: no key sends virtual-key code 200"), std::string::npos)
      << refused.err;

  const RunResult missing = RunHeadless("missing-input", {"--frames", "1", "--input", "/nonexistent/in.txt"});
  EXPECT_EQ(missing.exitCode, 2);
  EXPECT_NE(missing.err.find("/nonexistent/in.txt"), std::string::npos);
}

}  // namespace
