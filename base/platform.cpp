// Default message box, clock and path translation.
#include "base/platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
  if (binaryMode != "r" && binaryMode != "rb")
    return std::fopen(NativePath(path).c_str(), binaryMode.c_str());
  // Files are read from names that other files give (a model names its pictures), so a pipe
  // must not block the open: every reader wants a regular file it can measure and read again.
  const int descriptor = open(NativePath(path).c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (descriptor < 0) return nullptr;
  struct stat status;
  int refusal = fstat(descriptor, &status) != 0 ? errno : 0;
  // A folder opens for reading but holds no bytes to read: refused as the system would a read.
  if (refusal == 0 && S_ISDIR(status.st_mode)) refusal = EISDIR;
  // A pipe or a device (one that never ends, or waits for a terminal) cannot be read twice.
  if (refusal == 0 && !S_ISREG(status.st_mode)) refusal = ESPIPE;
  const int flags = refusal == 0 ? fcntl(descriptor, F_GETFL) : -1;
  if (refusal == 0 && (flags < 0 || fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) != 0)) refusal = errno;
  FILE* file = refusal == 0 ? fdopen(descriptor, "rb") : nullptr;
  if (!file) {
    if (refusal == 0) refusal = errno;
    close(descriptor);
    errno = refusal;
  }
  return file;
}
