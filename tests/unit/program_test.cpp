// The program's pieces beside its main: the order in which the content folder is looked for,
// command-line paths anchored to the starting folder, the progress line's text.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "app/options.h"
#include "app/program/content_folder.h"
#include "app/program/progress_line.h"

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

TEST(ContentFolder, ContentIsAnOptionAndThePathsAreAllAnchored) {
  const char* arguments[] = {"hatching",  "--content", "c",       "--screenshot", "s.png",
                             "--capture", "f",         "--input", "i.txt"};
  Options options;
  std::string error;
  ASSERT_EQ(ParseOptions(9, arguments, &options, &error), OptionsStatus::kRun) << error;
  EXPECT_EQ(options.contentDirectory, "c");
  AnchorPaths(CommandLinePaths(&options), "/start");
  EXPECT_EQ(options.screenshot + options.captureDirectory + options.inputFile,
            "/start/s.png/start/f/start/i.txt");
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

}  // namespace
