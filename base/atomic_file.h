// A file that appears whole or not at all: written under a hidden temporary name in the folder
// it belongs to and renamed over its path once complete, so that a reader watching the folder (a
// file manager waiting for a thumbnail) never sees half of it. Whatever is not committed is
// removed, the temporary file included. A path that names something other than a regular file
// (/dev/full, a pipe) is written in place: there is no half file to hide, nor a file to replace.
#pragma once

#include <cstddef>
#include <string>

class AtomicFile {
 public:
  AtomicFile() = default;
  ~AtomicFile();  // discards the file unless it was committed
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Makes the temporary file beside `path`, with the permissions a new file at `path` would
  // get. False with `error` naming `path` and the system's reason (a missing folder, no right to
  // write there).
  bool Create(const std::string& path, std::string* error);
  // Appends `size` bytes, however many calls the system takes; false with `error` set.
  bool Write(const void* data, size_t size, std::string* error);
  // Closes the temporary file and renames it to the path; false with `error` set, the
  // temporary file then removed.
  bool Commit(std::string* error);
  // Closes and removes the temporary file; nothing happens to the path. Safe to call again.
  void Discard();

  // Where the bytes go until Commit, for writers that open the file by name themselves.
  const std::string& temporaryPath() const { return temporaryPath_; }
  // The system's reason (an errno value) for the last failure, for callers that word it.
  int failure() const { return failure_; }

 private:
  bool Fail(int reason, std::string* error);

  std::string path_;
  std::string temporaryPath_;
  int descriptor_ = -1;
  bool inPlace_ = false;
  int failure_ = 0;
};

// Writes `size` bytes to `path` through an AtomicFile: false with `error` naming the file and the
// system's reason, `path` then untouched.
bool WriteFileAtomically(const std::string& path, const void* data, size_t size, std::string* error);
