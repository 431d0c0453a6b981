// The viewer mode as a user meets it: a generated character named as a folder, its walk carrying
// the root three heights forward framed whole at every sampled frame, the clip keys and pause
// through a replay, and the refusals of named files and outputs.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "tests/e2e/e2e_support.h"

namespace {

namespace fs = std::filesystem;

// A red box figure 20 x 10 x 60 standing on z = 0, and clips of its root moving by (0, dy, dz).
std::string Figure() {
  std::string text =
      "version 1\nnodes\n0 \"root\" -1\nend\nskeleton\ntime 0\n0 0 0 0 0 0 0\nend\ntriangles\n";
  static const int faces[6][4] = {{0, 1, 3, 2}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                  {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 3, 7, 5}};
  const auto corner = [](int c) {
    return "0 " + std::to_string(-10 + 20 * (c & 1)) + " " + std::to_string(-5 + 10 * ((c >> 1) & 1)) + " " +
           std::to_string(60 * ((c >> 2) & 1)) + " 0 -1 0 0 0\n";
  };
  for (const auto& f : faces)
    for (const int* t : {f, f + 1}) text += "m.bmp\n" + corner(f[0]) + corner(t[1]) + corner(t[2]);
  return text + "end\n";
}

std::string Clip(int frames, int dy, int dz) {
  std::string text = "version 1\nnodes\n0 \"root\" -1\nend\nskeleton\n";
  for (int f = 0; f < frames; ++f)
    text += "time " + std::to_string(f) + "\n0 0 " + std::to_string(dy * f / (frames - 1)) + " " +
            std::to_string(dz * f / (frames - 1)) + " 0 0 " + std::to_string(0.2 * f) + "\n";
  return text + "end\n";
}

std::string FigureFolder(const std::string& tag) {
  const std::string folder = FreshOutputDirectory(tag) + "/figure";
  fs::create_directories(folder);
  WriteText(folder + "/Figure_Ref.smd", Figure());
  WriteText(folder + "/walk.smd", Clip(24, -180, -37));
  WriteText(folder + "/Broken.smd", "version 1\nnodes\n0 \"root\" -1\n");
  WriteText(folder + "/sway.smd", Clip(12, 20, 0));
  return folder;
}

struct Extent {
  int top = 1 << 20, bottom = -1, left = 1 << 20, right = -1, clear = 0;
};

Extent FigureIn(const Picture& picture) {
  Extent e;
  for (int y = 0; y < picture.height; ++y)
    for (int x = 0; x < picture.width; ++x) {
      const uint8_t* p = picture.At(x, y);
      if (p[2] > 200 && p[0] < 60 && p[1] < 60) ++e.clear;
      if (p[0] <= p[1] + 40) continue;
      e.top = std::min(e.top, y), e.bottom = std::max(e.bottom, y);
      e.left = std::min(e.left, x), e.right = std::max(e.right, x);
    }
  return e;
}

TEST(ViewerMode, AFolderPlaysEveryClipWholeAndClearOfTheOverlay) {
  const std::string folder = FigureFolder("viewer-folder");
  const std::string frames = fs::path(folder).parent_path() / "frames";
  RunResult run = RunProgram({"--headless", "--frames", "48", "--capture", frames, "--every", "6", folder},
                             ContentDirectory(), "viewer-folder");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.err.find("Broken.smd:3: the file ends inside the \"nodes\" block"), std::string::npos)
      << run.err;
  EXPECT_NE(run.err.find("clip 0: sway.smd, 12 key frames\nclip 1: walk.smd, 24 key frames\n"),
            std::string::npos)
      << "the broken clip skipped, the rest in name order: " << run.err;
  // Sway is 12 key frames: 48 frames at 30 a second play it two times over.
  for (int n = 6; n <= 48; n += 6) {
    Picture picture;
    char name[32];
    std::snprintf(name, sizeof name, "/frame_%06d.png", n);
    ASSERT_TRUE(LoadPicture(frames + name, &picture)) << name;
    const Extent e = FigureIn(picture);
    EXPECT_EQ(e.clear, 0) << name << ": the clear colour shows";
    EXPECT_GT(e.top, 72) << name << ": under the overlay's lines";
    EXPECT_LT(e.bottom, picture.height - 1) << name;
    EXPECT_GT(e.left, 0) << name;
    EXPECT_LT(e.right, picture.width - 1) << name;
    EXPECT_GT(e.bottom - e.top, picture.height / 3) << name;
  }
}

// P pauses: the pictures stand still; '.' steps one key frame; PageDown plays the walk, framed
// afresh; Esc ends the run. Every sampled frame of the walk keeps the figure whole.
TEST(ViewerMode, ClipKeysAndPauseThroughReplay) {
  const std::string folder = FigureFolder("viewer-keys");
  const std::string out = fs::path(folder).parent_path();
  WriteText(out + "/keys.txt", "2 key 80\n6 key 190\n10 key 34\n11 key 80\n40 key 27\n");
  RunResult run = RunProgram({"--headless", "--capture", out + "/frames", "--input", out + "/keys.txt",
                              folder + "/Figure_Ref.smd", folder + "/sway.smd", folder + "/walk.smd"},
                             ContentDirectory(), "viewer-keys");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const auto frame = [&](int n) {
    Picture picture;
    char name[32];
    std::snprintf(name, sizeof name, "/frames/frame_%06d.png", n);
    EXPECT_TRUE(LoadPicture(out + name, &picture)) << name;
    return picture;
  };
  EXPECT_EQ(Compare(frame(4), frame(6)).fractionOver32, 0.0) << "paused";
  EXPECT_GT(Compare(frame(6), frame(8)).fractionOver32, 0.0) << "one key frame on";
  EXPECT_EQ(Compare(frame(8), frame(10)).fractionOver32, 0.0) << "still paused";
  for (int n = 14; n <= 40; n += 13) {
    const Extent e = FigureIn(frame(n));
    EXPECT_GT(e.top, 72) << n;
    EXPECT_EQ(e.clear, 0) << n;
  }
  EXPECT_GT(Compare(frame(14), frame(40)).fractionOver32, 0.0) << "the walk plays";
}

TEST(ViewerMode, NamedFilesAndOutputsAreRefusedClearly) {
  const std::string folder = FigureFolder("viewer-refusals");
  RunResult run = RunProgram({"--headless", "--frames", "1", folder + "/walk.smd"}, folder, "none");
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find("none of the files named holds triangles"), std::string::npos) << run.err;
  run = RunProgram({"--headless", "--frames", "1", "Figure_Ref.smd", "Figure_Ref.smd"}, folder, "several");
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_NE(run.err.find("2 of the files named hold triangles (Figure_Ref.smd, Figure_Ref.smd)"),
            std::string::npos);
  run = RunProgram({"--headless", "--frames", "1", "--screenshot", folder}, folder, "screenshot-folder");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "hatching: " + folder + ": is a folder (--screenshot names the PNG file to write)\n");
  WriteText(folder + "/close.txt", "0 close\n");
  run = RunProgram({"--headless", "--input", "close.txt", "--record", "empty.GIF"}, folder, "empty-record");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("empty.GIF: no frame was rendered, so no video was written"), std::string::npos)
      << run.err;
  EXPECT_FALSE(fs::exists(folder + "/empty.GIF"));
}

}  // namespace

// A character named as a file is hatched along its form unless the file's uv is asked for.
TEST(ViewerMode, NamedFilesAreHatchedAlongTheFormByDefault) {
  const std::string out = FreshOutputDirectory("viewer-strokes");
  const std::string reference = ContentDirectory() + "/Model/SMD/Imp_Islands/Ref_Islands.smd";
  Picture pictures[3];
  const char* modes[3] = {nullptr, "form", "uv"};
  for (int i = 0; i < 3; ++i) {
    std::vector<std::string> arguments = {"--headless", "--frames", "2", "--screenshot",
                                          out + "/" + std::to_string(i) + ".png", reference};
    if (modes[i]) arguments.insert(arguments.begin(), {"--strokes", modes[i]});
    const RunResult run = RunProgram(arguments, ContentDirectory(), "viewer-strokes");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    ASSERT_TRUE(LoadPicture(out + "/" + std::to_string(i) + ".png", &pictures[i]));
  }
  EXPECT_EQ(Compare(pictures[0], pictures[1]).meanAbsolute, 0.0);
  EXPECT_GT(Compare(pictures[0], pictures[2]).fractionOver32, 0.01);
}
