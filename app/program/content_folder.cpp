// Finding and entering the content folder.
#include "app/program/content_folder.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

bool HoldsContent(const fs::path& folder) {
  std::error_code ignored;
  return fs::is_regular_file(folder / kContentMarker, ignored);
}

}  // namespace

std::string ExecutableDirectory() {
  std::error_code failure;
  const fs::path executable = fs::read_symlink("/proc/self/exe", failure);
  return failure ? std::string() : executable.parent_path().string();
}

std::string FindContentFolder(const std::string& startDirectory, const std::string& executableDirectory) {
  if (HoldsContent(startDirectory) || executableDirectory.empty()) return "";
  const fs::path bin = executableDirectory;
  // An installed program, wherever its prefix was moved: <prefix>/bin and <prefix>/share/hatching.
  const fs::path installed = bin.parent_path() / "share" / "hatching";
  if (HoldsContent(installed)) return installed.string();
  // The build tree: build/hatching beside build/content.
  const fs::path built = bin / "content";
  if (HoldsContent(built)) return built.string();
  return "";
}

void AnchorPaths(const std::vector<std::string*>& paths, const std::string& startDirectory) {
  for (std::string* path : paths) {
    if (!path->empty() && (*path)[0] != '/') *path = (fs::path(startDirectory) / *path).string();
  }
}

bool EnterContentFolder(const std::string& named, const std::vector<std::string*>& paths,
                        std::string* error) {
  const std::string folder = named.empty() ? FindContentFolder(".", ExecutableDirectory()) : named;
  if (folder.empty()) return true;
  std::error_code failure;
  const fs::path start = fs::current_path(failure);
  if (failure) {
    *error = "cannot tell the current folder: " + failure.message();
    return false;
  }
  if (chdir(folder.c_str()) != 0) {
    *error = folder + ": cannot enter the content folder: " + std::strerror(errno);
    return false;
  }
  AnchorPaths(paths, start.string());
  return true;
}
