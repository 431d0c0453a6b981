// A second thread for work that splits into independent parts: started on first use, handed one
// job at a time, joined when the object goes. Nothing is allocated per job.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>

class HelperThread {
 public:
  // `job(context, part)` reads or writes what part `part` alone owns.
  using Job = void (*)(void* context, size_t part);

  HelperThread() = default;
  HelperThread(const HelperThread&) = delete;
  HelperThread& operator=(const HelperThread&) = delete;
  ~HelperThread();

  // Runs the job on every part in [0, parts), each part once, taken in turn by the calling thread
  // and the helper, so that a helper slowed by other work takes fewer; returns when all are done.
  // The calling thread runs them all when no thread can be started.
  void Run(size_t parts, Job job, void* context);
  // Run in two halves: Start hands every part to the helper and returns at once, so that the
  // caller can do other work meanwhile; Finish takes the parts the helper has not yet begun and
  // returns when all are done. `context` must outlive Finish, which must come before the next
  // Start or Run. Without a thread, Finish runs every part.
  void Start(size_t parts, Job job, void* context);
  void Finish();
  // The same with a callable `job(part)`.
  template <class Callable>
  void Run(size_t parts, Callable& job) {
    Run(
        parts, [](void* context, size_t part) { (*static_cast<Callable*>(context))(part); }, &job);
  }

 private:
  bool Started();
  void Serve();
  void TakeParts();

  std::thread thread_;
  bool failed_ = false;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable finished_;
  uint64_t generation_ = 0;
  bool helperBusy_ = false;
  // Start posted the current job to the helper; Finish waits for it.
  bool posted_ = false;
  bool stopping_ = false;
  Job job_ = nullptr;
  void* context_ = nullptr;
  size_t parts_ = 0;
  std::atomic<size_t> next_{0};
};
