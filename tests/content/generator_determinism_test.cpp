// Runs the content generator again and checks that it is deterministic: two fresh runs, and
// the content the build produced, hold the same files with the same bytes.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
const fs::path kContent = HATCHING_CONTENT_DIR;

// Relative path -> file contents, for every file under root.
std::map<std::string, std::string> ReadTree(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    files[fs::relative(entry.path(), root).generic_string()] = {std::istreambuf_iterator<char>(in), {}};
  }
  return files;
}

class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "contentgen-XXXXXX").string();
    path_ = mkdtemp(pattern.data()) ? fs::path(pattern) : fs::path();
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) fs::remove_all(path_, ignored);
  }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

std::string GeneratorPath() {
  // Written by the build next to the content folder.
  std::ifstream in(kContent.parent_path() / "contentgen.path");
  std::string path;
  std::getline(in, path);
  return path;
}

TEST(ContentGenerator, WritesIdenticalBytesOnEveryRun) {
  const std::string generator = GeneratorPath();
  if (generator.empty() || !fs::exists(generator)) GTEST_SKIP() << "generator not found next to " << kContent;
  TempDir first, second;
  ASSERT_FALSE(first.path().empty());
  ASSERT_FALSE(second.path().empty());
  for (const TempDir* dir : {&first, &second}) {
    const std::string command = "\"" + generator + "\" \"" + dir->path().string() + "/out\"";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
  }
  const auto a = ReadTree(first.path() / "out"), b = ReadTree(second.path() / "out");
  ASSERT_GE(a.size(), 15u) << "model, animations, materials, hatching and environment textures";
  ASSERT_EQ(a.size(), b.size());
  for (const auto& [name, bytes] : a) {
    ASSERT_TRUE(b.count(name)) << name;
    EXPECT_TRUE(bytes == b.at(name)) << name << " differs between two runs";
  }
  // The build's own content came from the same generator.
  const auto built = ReadTree(kContent);
  for (const auto& [name, bytes] : a) {
    ASSERT_TRUE(built.count(name)) << name << " missing from " << kContent;
    EXPECT_TRUE(bytes == built.at(name)) << name << " differs from the built content";
  }
}

}  // namespace
