// Polling the watched files' modification times.
#include "app/viewer_watch.h"

#include <sys/stat.h>

#include "base/platform.h"

namespace {

constexpr uint32_t kPollMilliseconds = 1000;

}  // namespace

void FileWatch::Note(File* file) {
  struct stat status {};
  if (stat(file->path.c_str(), &status) != 0) {
    file->modified = timespec{};
    file->size = -1;
    return;
  }
  file->modified = status.st_mtim;
  file->size = static_cast<long long>(status.st_size);
}

void FileWatch::Watch(const std::vector<std::string>& paths) {
  files_.clear();
  for (const std::string& path : paths) {
    File file;
    file.path = NativePath(path.c_str());
    Note(&file);
    files_.push_back(std::move(file));
  }
  polled_ = false;
}

bool FileWatch::Changed(uint32_t now) {
  if (files_.empty()) return false;
  if (!polled_) {
    polled_ = true;
    lastPoll_ = now;
    return false;
  }
  if (now - lastPoll_ < kPollMilliseconds) return false;
  lastPoll_ = now;
  bool changed = false;
  for (File& file : files_) {
    const timespec before = file.modified;
    const long long size = file.size;
    Note(&file);
    // A save in progress (the file gone for a moment) is not a change yet.
    if (file.size < 0) continue;
    if (file.size != size || file.modified.tv_sec != before.tv_sec || file.modified.tv_nsec != before.tv_nsec)
      changed = true;
  }
  return changed;
}
