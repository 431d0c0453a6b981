// The real program away from its content folder: the build's program found from any folder, and
// --content with the command line's paths kept where the program was started.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/e2e/e2e_support.h"

namespace fs = std::filesystem;

namespace {

TEST(ContentFolder, TheBuildsProgramRunsFromAnyFolderAndWritesWhereItWasStarted) {
  const std::string start = FreshOutputDirectory("elsewhere");
  const RunResult found =
      RunProgram({"--headless", "--frames", "2", "--screenshot", "found.png"}, start, "elsewhere");
  ASSERT_EQ(found.exitCode, 0) << found.err;
  EXPECT_EQ(found.err, "");
  EXPECT_TRUE(fs::exists(start + "/found.png"));
  EXPECT_FALSE(fs::exists(ContentDirectory() + "/found.png"));

  // Named, relative to the start folder, with the pictures' paths relative to it too.
  const std::string content = fs::relative(ContentDirectory(), start).string();
  const RunResult named = RunProgram({"--headless", "--frames", "2", "--content", content, "--screenshot",
                                      "named.png", "--capture", "frames"},
                                     start, "elsewhere-named");
  ASSERT_EQ(named.exitCode, 0) << named.err;
  EXPECT_TRUE(fs::exists(start + "/named.png"));
  EXPECT_TRUE(fs::exists(start + "/frames/frame_000002.png"));

  const RunResult missing =
      RunProgram({"--headless", "--content", "no-such-folder"}, start, "elsewhere-missing");
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_EQ(missing.err,
            "hatching: no-such-folder: cannot enter the content folder: No such file or directory\n");
}

}  // namespace
