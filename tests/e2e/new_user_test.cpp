// What a new user meets at the command line: each failure says what and where, on standard error,
// with the exit code the README gives; help and version on standard output with 0.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/e2e/e2e_support.h"

namespace {

namespace fs = std::filesystem;

std::string SmdInfoBinary() {
  return fs::path(HATCHING_BINARY).parent_path() / "smdinfo";
}

TEST(NewUser, SmdInfoFollowsTheConventions) {
  const std::string tool = SmdInfoBinary();
  const std::string here = TestOutputDirectory("new-user-smdinfo");
  RunResult run = RunCommand({tool, "--help"}, here, "smdinfo-help");
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.out.rfind("Usage: smdinfo", 0), 0u);
  EXPECT_EQ(RunCommand({tool, "--version"}, here, "smdinfo-version").out, "smdinfo 1.0.0\n");
  run = RunCommand({tool, "--bogus"}, here, "smdinfo-bogus");
  EXPECT_EQ(run.exitCode, 2);
  EXPECT_EQ(run.err, "smdinfo: unknown option '--bogus'\nTry 'smdinfo --help'.\n");
  run = RunCommand({tool, here, "missing.smd"}, here, "smdinfo-missing");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err,
            "smdinfo: " + here + ": Is a directory\nsmdinfo: missing.smd: No such file or directory\n");
  ASSERT_TRUE(WriteText(here + "/cut.smd", "version 1\nnodes\n0 \"a\" -1\n"));
  run = RunCommand({tool, "cut.smd"}, here, "smdinfo-cut");
  EXPECT_EQ(run.err, "smdinfo: cut.smd:3: the file ends inside the \"nodes\" block (no \"end\" line)\n")
      << "said once";
}

TEST(NewUser, TheProgramSaysWhyItCannotStartAndFails) {
  const std::string empty = FreshOutputDirectory("new-user-empty");
  RunResult run = RunProgram({"--headless", "--frames", "1", "--content", empty}, empty, "no-content");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err.rfind("hatching: ./Textures/Snow.dds: No such file or directory (", 0), 0u) << run.err;
  EXPECT_NE(run.err.find("--content"), std::string::npos) << run.err;

  run = RunProgram({"--headless", "--frames", "1", "--reference", "nothere.smd"}, empty, "missing-reference");
  EXPECT_EQ(run.exitCode, 0) << "the program runs on without a model, as it always has";
  EXPECT_EQ(run.err,
            "hatching: nothere.smd: No such file or directory (the reference file is missing or cannot "
            "be read)\n");
}

}  // namespace
