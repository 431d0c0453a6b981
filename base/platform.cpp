// Default message box, clock and path translation.
#include "base/platform.h"

#include <sys/stat.h>

#include <cerrno>
#include <chrono>

namespace {

int StandardErrorMessageBox(HWND, const char* text, const char* caption, UINT) {
  std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
  return IDOK;
}

uint32_t SteadyMilliseconds() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

MessageBoxHandler messageBox = StandardErrorMessageBox;
MillisecondClock millisecondClock = SteadyMilliseconds;

}  // namespace

void SetMessageBoxHandler(MessageBoxHandler handler) {
  messageBox = handler ? handler : StandardErrorMessageBox;
}

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
  return messageBox(owner, text, caption, type);
}

void SetMillisecondClock(MillisecondClock source) {
  millisecondClock = source ? source : SteadyMilliseconds;
}

uint32_t timeGetTime() {
  return millisecondClock();
}

std::string NativePath(const char* path) {
  std::string native = path ? path : "";
  for (char& c : native)
    if (c == '\\') c = '/';
  return native;
}

FILE* OpenFile(const char* path, const char* mode) {
  // Text mode ("rt") is the binary mode here; readers treat CR LF themselves.
  std::string binaryMode;
  for (const char* m = mode; *m; ++m)
    if (*m != 't') binaryMode += *m;
  FILE* file = std::fopen(NativePath(path).c_str(), binaryMode.c_str());
  // A folder opens for reading but holds no bytes to read: refused as the system would a read.
  struct stat status;
  if (file && fstat(fileno(file), &status) == 0 && S_ISDIR(status.st_mode)) {
    std::fclose(file);
    errno = EISDIR;
    return nullptr;
  }
  return file;
}
