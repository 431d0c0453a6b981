// What the fuzz targets share: a private scratch folder for inputs that the code under test opens
// by path, the recording backend set up quietly, and a check that stops the run with a message.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/platform.h"
#include "gfx/recording/recorder.h"

namespace fuzz {

// A broken promise of the code under test: libFuzzer keeps the input and reports it as a crash.
#define FUZZ_CHECK(condition)                                                            \
  do {                                                                                   \
    if (!(condition)) {                                                                  \
      std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (0)

// In memory where the system offers it: rewriting a file on disk may wait for the disk each time.
// A plain array rather than a std::string, so that it outlives the exit handler that removes it.
inline const char* ScratchFolder() {
  static char folder[] = "/dev/shm/hatching_fuzz_XXXXXX";
  static const bool made = [] {
    if (!mkdtemp(folder) && !mkdtemp(std::strcpy(folder, "/tmp/hatching_fuzz_XXXXXX"))) {
      std::perror("mkdtemp");
      std::abort();
    }
    std::atexit([] {
      const std::string command = std::string("rm -rf '") + folder + "'";
      if (std::system(command.c_str()) != 0) std::fprintf(stderr, "cannot remove %s\n", folder);
    });
    return true;
  }();
  (void)made;
  return folder;
}

// Writes `size` bytes to the scratch file `name` and returns its path.
inline std::string WriteScratchFile(const uint8_t* data, size_t size, const char* name) {
  const std::string path = std::string(ScratchFolder()) + "/" + name;
  FILE* file = std::fopen(path.c_str(), "wb");
  FUZZ_CHECK(file != nullptr);
  if (size > 0) FUZZ_CHECK(std::fwrite(data, 1, size, file) == size);
  std::fclose(file);
  return path;
}

inline int IgnoreMessageBox(HWND, const char*, const char*, UINT) {
  return IDOK;
}

// The recording backend with its log off and message boxes answered at once.
inline void QuietRecordingBackend() {
  UseRecordingBackend();
  Recording().logging = false;
  SetMessageBoxHandler(IgnoreMessageBox);
}

inline bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace fuzz
