// Whole-or-nothing files: the path shows the old bytes or all of the new ones, never a temporary
// file or half of one, and a device is written in place.
#include "base/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string Read(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

size_t Entries(const fs::path& folder) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(folder), fs::directory_iterator()));
}

class AtomicFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("atomic-file-" + std::to_string(getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }
  fs::path folder_;
};

TEST_F(AtomicFileTest, TheFileAppearsOnlyWhenWholeWithTheUsualPermissions) {
  const std::string path = (folder_ / "shot.png").string();
  const mode_t previous = umask(022);
  AtomicFile file;
  std::string error;
  ASSERT_TRUE(file.Create(path, &error)) << error;
  EXPECT_EQ(fs::path(file.temporaryPath()).parent_path(), folder_);
  EXPECT_EQ(fs::path(file.temporaryPath()).filename().string().rfind(".shot.png.", 0), 0u) << "hidden";
  ASSERT_TRUE(file.Write("abc", 3, &error));
  ASSERT_TRUE(file.Write("def", 3, &error));
  EXPECT_FALSE(fs::exists(path));
  ASSERT_TRUE(file.Commit(&error)) << error;
  umask(previous);
  EXPECT_EQ(Read(path), "abcdef");
  EXPECT_EQ(fs::status(path).permissions(), fs::perms(0644));
  EXPECT_EQ(Entries(folder_), 1u);

  ASSERT_TRUE(WriteFileAtomically(path, "new", 3, &error)) << error;
  EXPECT_EQ(Read(path), "new");
  EXPECT_EQ(Entries(folder_), 1u);
}

TEST_F(AtomicFileTest, WhatIsNotCommittedLeavesNoTraceAndTheOldFileAsItWas) {
  const std::string path = (folder_ / "thumb.png").string();
  std::string error;
  ASSERT_TRUE(WriteFileAtomically(path, "old", 3, &error));
  {
    AtomicFile file;
    ASSERT_TRUE(file.Create(path, &error));
    ASSERT_TRUE(file.Write("half", 4, &error));
  }
  EXPECT_EQ(Read(path), "old");
  EXPECT_EQ(Entries(folder_), 1u);

  // A folder in the way of the rename: the temporary file goes, the error names the path.
  const std::string folderPath = (folder_ / "taken").string();
  fs::create_directories(folderPath + "/inside");
  EXPECT_FALSE(WriteFileAtomically(folderPath, "x", 1, &error));
  EXPECT_EQ(error.rfind(folderPath + ": cannot write the file: ", 0), 0u) << error;
  EXPECT_EQ(Entries(folder_), 2u);

  EXPECT_FALSE(WriteFileAtomically((folder_ / "no/x.png").string(), "x", 1, &error));
  EXPECT_EQ(error, (folder_ / "no/x.png").string() + ": cannot write the file: No such file or directory");
}

TEST_F(AtomicFileTest, DevicesAreWrittenInPlace) {
  std::string error;
  EXPECT_TRUE(WriteFileAtomically("/dev/null", "x", 1, &error)) << error;
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
  EXPECT_FALSE(WriteFileAtomically("/dev/full", "x", 1, &error));
  EXPECT_EQ(error, "/dev/full: cannot write the file: No space left on device");
  EXPECT_TRUE(fs::is_character_file("/dev/full"));
}

}  // namespace
