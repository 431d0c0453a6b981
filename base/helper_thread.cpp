// HelperThread: one thread that waits for jobs, parts handed out by one shared counter.
#include "base/helper_thread.h"

#include <system_error>

HelperThread::~HelperThread() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

bool HelperThread::Started() {
  if (thread_.joinable()) return true;
  if (failed_) return false;
  try {
    thread_ = std::thread(&HelperThread::Serve, this);
  } catch (const std::system_error&) {
    // No thread to be had: the caller does every part.
    failed_ = true;
  }
  return !failed_;
}

void HelperThread::Run(size_t parts, Job job, void* context) {
  // A single part is not worth waking the helper for.
  if (parts == 1) {
    job(context, 0);
    return;
  }
  Start(parts, job, context);
  Finish();
}

void HelperThread::Start(size_t parts, Job job, void* context) {
  // The helper is idle here: the last Finish waited for it.
  job_ = job;
  context_ = context;
  parts_ = parts;
  next_.store(0, std::memory_order_relaxed);
  posted_ = parts > 0 && Started();
  if (!posted_) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++generation_;
    helperBusy_ = true;
  }
  wake_.notify_one();
}

void HelperThread::Finish() {
  TakeParts();
  if (!posted_) return;
  posted_ = false;
  std::unique_lock<std::mutex> lock(mutex_);
  finished_.wait(lock, [this] { return !helperBusy_; });
}

void HelperThread::TakeParts() {
  for (size_t part; (part = next_.fetch_add(1, std::memory_order_relaxed)) < parts_;) job_(context_, part);
}

void HelperThread::Serve() {
  std::unique_lock<std::mutex> lock(mutex_);
  // Started before the first job was posted, however late this thread first runs.
  uint64_t seen = 0;
  for (;;) {
    wake_.wait(lock, [&] { return stopping_ || generation_ != seen; });
    if (stopping_) return;
    seen = generation_;
    lock.unlock();
    TakeParts();
    lock.lock();
    helperBusy_ = false;
    finished_.notify_one();
  }
}
