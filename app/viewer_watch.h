// Watching files for changes: their modification times, polled at most once a second.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

class FileWatch {
 public:
  // Starts watching `paths` afresh, noting their times now.
  void Watch(const std::vector<std::string>& paths);
  // True once when a file's time or size changed since it was noted (or it appeared again);
  // `now` in milliseconds, polled at most once a second. Allocates nothing.
  bool Changed(uint32_t now);
  bool empty() const { return files_.empty(); }

 private:
  struct File {
    std::string path;
    timespec modified{};
    long long size = -1;
  };
  static void Note(File* file);
  std::vector<File> files_;
  bool polled_ = false;
  uint32_t lastPoll_ = 0;
};
