// The program in a real window on an X server (Xvfb): the window appears with its title and an
// 800 x 600 client area, shows the same picture as a headless run, appears in a screenshot of
// the screen, and ends with exit code 0 when asked to quit.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/e2e/e2e_support.h"

namespace {

bool Have(const char* command) {
  const std::string probe = std::string("command -v ") + command + " >/dev/null 2>&1";
  return std::system(probe.c_str()) == 0;
}

// Starts the program, waits until its window is mapped and has shown ten frames, photographs
// the screen, then asks the program to quit as the desktop would (SIGTERM) and passes its exit
// code on.
constexpr char kWatcher[] = R"(
out="$HATCHING_WATCH_OUT"
"$@" & pid=$!
mapped=1
for i in $(seq 600); do
  if [ -f "$out/frames/frame_000010.png" ] &&
     xwininfo -name "[Tavrel] Hatching for HLSL" >"$out/xwininfo.txt" 2>&1 &&
     grep -q IsViewable "$out/xwininfo.txt"; then mapped=0; break; fi
  kill -0 $pid 2>/dev/null || break
  sleep 0.1
done
if [ $mapped = 0 ] && command -v import >/dev/null 2>&1; then import -window root "$out/screen.png"; fi
kill -TERM $pid 2>/dev/null
wait $pid; code=$?
[ $mapped = 0 ] || exit 90
exit $code
)";

TEST(Windowed, ShowsTheWindowUnderXvfbAndQuitsWithZero) {
  if (!Have("xvfb-run") || !Have("xwininfo")) GTEST_SKIP() << "xvfb-run or xwininfo is not installed";
  const std::string out = FreshOutputDirectory("windowed");
  setenv("HATCHING_WATCH_OUT", out.c_str(), 1);
  const RunResult run =
      RunProgramUnder({"xvfb-run", "-a", "-s", "-screen 0 1024x768x24", "sh", "-c", kWatcher, "watcher"},
                      {"--screenshot", out + "/frame.png", "--capture", out + "/frames", "--every", "10"},
                      ContentDirectory(), "windowed", 90);
  ASSERT_FALSE(run.timedOut);
  ASSERT_NE(run.exitCode, 90) << "the window never appeared: " << run.err;
  EXPECT_EQ(run.exitCode, 0) << run.err;

  const std::string info = ReadText(out + "/xwininfo.txt");
  EXPECT_NE(info.find("Width: 800"), std::string::npos) << info;
  EXPECT_NE(info.find("Height: 600"), std::string::npos) << info;

  // The program's own last frame: the scene as the headless run draws it (the frame number, and
  // with it the pose, differs, so only the still parts are compared).
  Picture frame;
  ASSERT_TRUE(LoadPicture(out + "/frame.png", &frame));
  EXPECT_EQ(frame.width, 800);
  EXPECT_EQ(frame.height, 600);
  Picture reference;
  ASSERT_TRUE(LoadPicture(TestDataDirectory() + "/e2e_start.png", &reference));
  EXPECT_LT(Compare(frame, reference, 0, 500, 800, 100).meanAbsolute, 8.0);

  // The screen shows the window's picture: much of it is the clear colour.
  Picture screen;
  if (!LoadPicture(out + "/screen.png", &screen)) return;
  long blue = 0;
  for (int y = 0; y < screen.height; ++y)
    for (int x = 0; x < screen.width; ++x) {
      const uint8_t* p = screen.At(x, y);
      if (p[0] < 16 && p[1] < 16 && p[2] > 240) ++blue;
    }
  EXPECT_GT(blue, 800L * 600 / 10) << "screen " << out << "/screen.png";
}

}  // namespace
