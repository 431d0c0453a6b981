// Recordings of the real program: MP4 and GIF files, checked with ffprobe where it is installed,
// and the failures to write one, which end the run with exit code 1.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/e2e/e2e_support.h"

namespace fs = std::filesystem;

namespace {

// "width,height,frames" of the file's video stream, counted by decoding it; "" without ffprobe.
std::string Probe(const std::string& path) {
  const std::string command =
      "ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=width,height,nb_read_frames "
      "-of csv=p=0 '" +
      path + "' 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return "";
  char line[128] = {};
  const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
  pclose(pipe);
  std::string text = read ? line : "";
  while (!text.empty() && (text.back() == '\n' || text.back() == ',')) text.pop_back();
  return text;
}

bool HaveFfprobe() {
  return std::system("ffprobe -version >/dev/null 2>&1") == 0;
}

TEST(Record, WritesEveryFrameAsH264AndEveryOtherAsGif) {
  const std::string out = FreshOutputDirectory("record");
  const RunResult run =
      RunProgram({"--headless", "--frames", "30", "--record", out + "/run.mp4"}, out, "record");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err, "");
  const RunResult gif =
      RunProgram({"--headless", "--frames", "30", "--record", "run.gif"}, out, "record-gif");
  ASSERT_EQ(gif.exitCode, 0) << gif.err;
  ASSERT_GT(fs::file_size(out + "/run.mp4"), 1000u);
  ASSERT_GT(fs::file_size(out + "/run.gif"), 1000u);
  if (!HaveFfprobe()) GTEST_SKIP() << "ffprobe is not installed; the files' frames are not counted";
  EXPECT_EQ(Probe(out + "/run.mp4"), "800,600,30");
  EXPECT_EQ(Probe(out + "/run.gif"), "800,600,15");
}

TEST(Record, AFileThatCannotBeWrittenEndsTheRunWithItsNameAndReason) {
  const std::string out = FreshOutputDirectory("record-fails");
  const RunResult full =
      RunProgram({"--headless", "--frames", "30", "--record", "/dev/full"}, out, "record-full");
  EXPECT_EQ(full.exitCode, 1);
  EXPECT_EQ(full.err, "hatching: /dev/full: cannot write the video: No space left on device\n");

  // Known before any frame is rendered; the name is the one anchored to the start folder.
  const RunResult folder =
      RunProgram({"--headless", "--frames", "30", "--record", "no-folder/x.mp4", "--capture", "frames"}, out,
                 "record-no-folder");
  EXPECT_EQ(folder.exitCode, 1);
  EXPECT_EQ(folder.err,
            "hatching: " + fs::canonical(out).string() +
                "/no-folder/x.mp4: cannot open the file for writing: No such file or directory\n");
  EXPECT_FALSE(fs::exists(out + "/frames/frame_000001.png"));
}

}  // namespace
