// The program's pieces beside its main: the order in which the content folder is looked for,
// command-line paths anchored to the starting folder, the progress line's text, the GIF palette.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/options.h"
#include "app/program/content_folder.h"
#include "app/program/progress_line.h"
#include "app/video/gif_palette.h"

namespace {

namespace fs = std::filesystem;

void MakeContent(const fs::path& folder) {
  fs::create_directories(folder / "Shaders");
  std::ofstream(folder / kContentMarker) << "effect";
}

TEST(ContentFolder, FoundInTheStartFolderThenTheInstallThenTheBuild) {
  std::string pattern = (fs::temp_directory_path() / "content-folder-XXXXXX").string();
  ASSERT_NE(mkdtemp(pattern.data()), nullptr);
  const fs::path root = pattern;
  const fs::path start = root / "elsewhere";
  const fs::path bin = root / "usr" / "bin";
  const fs::path build = root / "build";
  fs::create_directories(start);
  fs::create_directories(bin);
  fs::create_directories(build);

  // Nothing anywhere: stay, so that the program reports its missing files where it started.
  EXPECT_EQ(FindContentFolder(start, bin), "");
  EXPECT_EQ(FindContentFolder(start, ""), "");
  // The build tree: content/ beside the program.
  MakeContent(build / "content");
  EXPECT_EQ(FindContentFolder(start, build), (build / "content").string());
  // An install (wherever its prefix is): share/hatching beside bin, before a content/ in bin.
  MakeContent(bin / "content");
  MakeContent(root / "usr" / "share" / "hatching");
  EXPECT_EQ(FindContentFolder(start, bin), (root / "usr" / "share" / "hatching").string());
  // A start folder that holds the effect file wins over both.
  MakeContent(start);
  EXPECT_EQ(FindContentFolder(start, bin), "");
  EXPECT_EQ(FindContentFolder(start, build), "");
  // A folder without the effect file is not content, even with the other folders in it.
  fs::remove(build / "content" / kContentMarker);
  EXPECT_EQ(FindContentFolder(root / "elsewhere-not", build), "");
  fs::remove_all(root);
}

TEST(ContentFolder, RelativePathsAreAnchoredToTheStartFolder) {
  std::string relative = "shots/a.png";
  std::string absolute = "/tmp/b.png";
  std::string none;
  AnchorPaths({&relative, &absolute, &none}, "/home/me");
  EXPECT_EQ(relative, "/home/me/shots/a.png");
  EXPECT_EQ(absolute, "/tmp/b.png");
  EXPECT_EQ(none, "");
}

TEST(ContentFolder, ContentAndRecordAreOptionsAndThePathsAreAllAnchored) {
  const char* arguments[] = {"hatching", "--content", "c", "--record=v.gif", "--screenshot",
                             "s.png",    "--capture", "f", "--input",        "i.txt"};
  Options options;
  std::string error;
  ASSERT_EQ(ParseOptions(10, arguments, &options, &error), OptionsStatus::kRun) << error;
  EXPECT_EQ(options.contentDirectory, "c");
  EXPECT_EQ(options.recordFile, "v.gif");
  AnchorPaths(CommandLinePaths(&options), "/start");
  EXPECT_EQ(options.screenshot + options.captureDirectory + options.inputFile + options.recordFile,
            "/start/s.png/start/f/start/i.txt/start/v.gif");
  // The content folder itself is entered from the start folder, not anchored.
  EXPECT_EQ(options.contentDirectory, "c");
}

TEST(ProgressLine, TellsFramesRateAndTimeLeftAndStaysOffAFile) {
  char text[96];
  FormatProgress(120, 600, 60.0, text, sizeof text);
  EXPECT_STREQ(text, "frame 120/600, 60.0 frames/s, 0:08 left");
  FormatProgress(10, 10000, 2.5, text, sizeof text);
  EXPECT_STREQ(text, "frame 10/10000, 2.5 frames/s, 66:36 left");
  FormatProgress(1, 600, 0, text, sizeof text);
  EXPECT_STREQ(text, "frame 1/600");

  FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  ProgressLine line(file, 600);
  EXPECT_FALSE(line.shown());
  for (int frame = 1; frame <= 600; ++frame) line.Update(frame, frame * 0.5);
  line.Clear();
  EXPECT_EQ(std::ftell(file), 0);
  std::fclose(file);
}

TEST(GifPalette, KeepsTheCubesColoursAndTheGreysExactly) {
  const GifPalette palette;
  for (int level : {0, 51, 102, 153, 204, 255}) {
    const uint32_t blue = palette.Entry(palette.Nearest(0, 0, static_cast<uint8_t>(level)));
    EXPECT_EQ(blue, 0xFF000000u | static_cast<uint32_t>(level)) << level;
  }
  // 46 greys (6 from the cube, 40 between): a grey is never tinted, and off by at most the table's
  // 5-bit step and half the palette's grey step.
  for (int level = 0; level < 256; ++level) {
    const uint32_t entry = palette.Entry(palette.Nearest(level, level, level));
    const int r = entry >> 16 & 0xFF, g = entry >> 8 & 0xFF, b = entry & 0xFF;
    EXPECT_TRUE(r == g && g == b) << level;
    EXPECT_LE(std::abs(r - level), 11) << level;
  }
  uint8_t indices[2];
  const uint8_t rgba[8] = {255, 0, 0, 255, 255, 255, 255, 255};
  palette.MapRow(rgba, 2, indices);
  EXPECT_EQ(palette.Entry(indices[0]), 0xFFFF0000u);
  EXPECT_EQ(palette.Entry(indices[1]), 0xFFFFFFFFu);
}

}  // namespace
