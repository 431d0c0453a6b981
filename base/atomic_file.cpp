// Whole-or-nothing files: a temporary name in the same folder (a rename does not cross file
// systems), created exclusively, renamed at the end.
#include "base/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

// Distinguishes the temporary files of one process; the process id those of others.
std::atomic<unsigned> temporaryCounter{0};

// ".NAME.PID-N.part" in the folder of `path`: hidden, so that file managers list no half file.
std::string TemporaryName(const std::string& path, unsigned attempt) {
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string leaf = slash == std::string::npos ? path : path.substr(slash + 1);
  char suffix[48];
  std::snprintf(suffix, sizeof suffix, ".%ld-%u.part", static_cast<long>(getpid()), attempt);
  return folder + "." + leaf + suffix;
}

}  // namespace

AtomicFile::~AtomicFile() {
  Discard();
}

bool AtomicFile::Create(const std::string& path, std::string* error) {
  Discard();
  path_ = path;
  struct stat existing {};
  inPlace_ = stat(path.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode);
  if (inPlace_) {
    temporaryPath_ = path;
    descriptor_ = open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (descriptor_ >= 0) return true;
    const int reason = errno;
    temporaryPath_.clear();
    return Fail(reason, error);
  }
  for (int tries = 0; tries < 100; ++tries) {
    temporaryPath_ = TemporaryName(path, temporaryCounter.fetch_add(1));
    // 0666 less the umask: what a plain fopen of the path would have made.
    descriptor_ = open(temporaryPath_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor_ >= 0) return true;
    if (errno != EEXIST) break;
  }
  const int reason = errno;
  temporaryPath_.clear();
  return Fail(reason, error);
}

bool AtomicFile::Write(const void* data, size_t size, std::string* error) {
  if (descriptor_ < 0) return Fail(EBADF, error);
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t written = write(descriptor_, bytes, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return Fail(written < 0 ? errno : ENOSPC, error);
    bytes += written;
    size -= static_cast<size_t>(written);
  }
  return true;
}

bool AtomicFile::Commit(std::string* error) {
  if (descriptor_ < 0) return Fail(EBADF, error);
  // A full disk or a network file system may report a failed write only when the file closes.
  const int closed = close(descriptor_);
  descriptor_ = -1;
  if (closed != 0) return Fail(errno, error);
  if (!inPlace_ && rename(temporaryPath_.c_str(), path_.c_str()) != 0) return Fail(errno, error);
  temporaryPath_.clear();
  return true;
}

void AtomicFile::Discard() {
  if (descriptor_ >= 0) close(descriptor_);
  descriptor_ = -1;
  if (!temporaryPath_.empty() && !inPlace_) unlink(temporaryPath_.c_str());
  temporaryPath_.clear();
}

bool AtomicFile::Fail(int reason, std::string* error) {
  Discard();
  failure_ = reason;
  *error = path_ + ": cannot write the file: " + std::strerror(reason);
  return false;
}

bool WriteFileAtomically(const std::string& path, const void* data, size_t size, std::string* error) {
  AtomicFile file;
  return file.Create(path, error) && file.Write(data, size, error) && file.Commit(error);
}
