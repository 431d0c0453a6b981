// Whole-or-nothing files: the path shows the old bytes or all of the new ones, never a temporary
// file or half of one. (A device written in place: the e2e tests' --screenshot /dev/full.)
#include "base/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

TEST(AtomicFile, AppearsOnlyWhenWholeAndLeavesNoTraceOtherwise) {
  const fs::path folder = fs::temp_directory_path() / ("atomic-file-" + std::to_string(getpid()));
  fs::remove_all(folder);
  fs::create_directories(folder / "taken/inside");
  const std::string path = (folder / "shot.png").string();
  const auto read = [&] {
    return std::string(std::istreambuf_iterator<char>(std::ifstream(path).rdbuf()), {});
  };
  const mode_t previous = umask(022);
  std::string error;
  {
    AtomicFile file;
    ASSERT_TRUE(file.Create(path, &error) && file.Write("abc", 3, &error) && file.Write("def", 3, &error));
    EXPECT_EQ(file.temporaryPath().rfind((folder / ".shot.png.").string(), 0), 0u) << "hidden, beside it";
    EXPECT_FALSE(fs::exists(path));
    ASSERT_TRUE(file.Commit(&error)) << error;
    ASSERT_TRUE(file.Create(path, &error) && file.Write("half", 4, &error));
  }  // dropped uncommitted, as when a run fails half-way
  umask(previous);
  EXPECT_EQ(read(), "abcdef");
  EXPECT_EQ(fs::status(path).permissions(), fs::perms(0644)) << "as a plain fopen under umask 022";
  // A folder in the rename's way, a missing folder: the error names the path, nothing is left.
  EXPECT_FALSE(WriteFileAtomically((folder / "taken").string(), "x", 1, &error));
  EXPECT_EQ(error, (folder / "taken").string() + ": cannot write the file: Is a directory");
  EXPECT_FALSE(WriteFileAtomically((folder / "no/x.png").string(), "x", 1, &error));
  EXPECT_EQ(error, (folder / "no/x.png").string() + ": cannot write the file: No such file or directory");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2);
  fs::remove_all(folder);
}
