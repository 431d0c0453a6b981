// Pictures for their own sake: the thumbnailer on the characters and on what a file manager may
// hand it (a device, a pipe, a folder, garbage, an animation, a model naming a pipe as its
// picture), and headless pictures of any size without the overlay.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/e2e/e2e_support.h"

namespace {

namespace fs = std::filesystem;

// The picture a run that must succeed writes to `out`/p.png; empty when it does not.
Picture Drawn(const std::vector<std::string>& arguments, const std::string& out) {
  const RunResult run = RunProgram(arguments, out, "drawn", 30);
  Picture picture;
  EXPECT_TRUE(run.exitCode == 0 && LoadPicture(out + "/p.png", &picture)) << run.err;
  return picture;
}

TEST(Thumbnail, DrawsEachCharacterFramedOnPaper) {
  const std::string out = FreshOutputDirectory("thumbnail");
  for (const char* reference : {"Vekku_Red/Ref_Red.smd", "Imp_Small/Ref_Small_yup.smd"}) {
    const Picture picture =
        Drawn({"--thumbnail", "96", ContentDirectory() + "/Model/SMD/" + reference, "p.png"}, out);
    ASSERT_EQ(picture.width * 1000 + picture.height, 96096);
    int dark = 0;  // pencil in the middle, paper in the corners
    for (int y = 24; y < 72; ++y)
      for (int x = 24; x < 72; ++x) dark += picture.At(x, y)[1] < 110;
    EXPECT_GT(dark, 96 * 96 / 40);
    EXPECT_GT(std::min(picture.At(0, 0)[1], picture.At(95, 95)[1]), 180);
  }
}

TEST(Thumbnail, RefusesWhatItCannotDrawAtOnceWritingNothing) {
  const std::string out = FreshOutputDirectory("thumbnail-refusals");
  ASSERT_EQ(mkfifo((out + "/pipe.smd").c_str(), 0600), 0);
  ASSERT_TRUE(WriteText(out + "/garbage.smd", std::string(100000, '\x9c')));
  ASSERT_TRUE(WriteText(out + "/nothing.smd",
                        "version 1\nnodes\n0 \"r\" -1\nend\nskeleton\ntime 0\n"
                        "0 0 0 0 0 0 0\nend\ntriangles\nend\n"));
  std::string model = ReadText(TestDataDirectory() + "/smd_reference_basic.smd");
  model.replace(model.find("skin.bmp"), 8, "pipe.smd");
  ASSERT_TRUE(WriteText(out + "/names_a_pipe.smd", model));
  const std::string run = ContentDirectory() + "/Model/SMD/Vekku_Red/Ani_Red(Run).smd";
  const struct {
    std::string input, error;
  } cases[] = {
      {"/dev/zero", "hatching: /dev/zero: not a regular file\n"},
      {out + "/pipe.smd", "hatching: " + out + "/pipe.smd: not a regular file\n"},
      {out + "/garbage.smd", "hatching: " + out + "/garbage.smd:1: "},
      {run, "hatching: " + run + ": "},
      {out + "/nothing.smd", "hatching: " + out + "/nothing.smd: no triangles to draw\n"},
  };
  for (const auto& [input, error] : cases) {  // each refused in a line, leaving no picture
    const RunResult result = RunProgram({"--thumbnail", "64", input, "t.png"}, out, "thumbnail-refusal", 20);
    EXPECT_EQ(result.exitCode, 1) << input;
    EXPECT_EQ(result.err.substr(0, error.size()), error) << result.err;
    EXPECT_EQ(CountLinesStartingWith(result.err, "hatching: "), 1) << result.err;
    EXPECT_FALSE(fs::exists(out + "/t.png")) << input;
  }
  // The picture a model names is no reason to wait for a writer.
  EXPECT_EQ(Drawn({"--thumbnail", "64", "names_a_pipe.smd", "p.png"}, out).width, 64);
}

TEST(Thumbnail, HeadlessPicturesTakeAnySizeWithoutTheOverlay) {
  const Picture picture =
      Drawn({"--headless", "--frames", "1", "--size", "320x200", "--no-overlay", "--screenshot", "p.png"},
            FreshOutputDirectory("sized-picture"));
  ASSERT_EQ(picture.width * 1000 + picture.height, 320200);
  int cyan = 0;  // the overlay's text colour, where its lines would be
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 160; ++x) cyan += picture.At(x, y)[0] < 60 && picture.At(x, y)[1] > 200;
  EXPECT_EQ(cyan, 0);
}

}  // namespace
