// The pose lines of an animation's skeleton block, applied through a PoseBatch on one thread or
// two. On two, the lines that lie in the line source's buffer are kept, with the tables they pose,
// and handled together, by the calling thread and a helper, before the buffer is refilled. Where
// the kept lines pose each key frame's table in one run, the runs are scanned and applied side by
// side, a run on one thread: a frame's table depends on its own lines alone. Otherwise (a frame
// written twice) the lines are scanned side by side and applied in file order. A line's numbers
// depend on its own text alone, so the results are the same bits on either thread.
#pragma once

#include <cstddef>
#include <cstdint>

#include "model/pose_batch.h"

class HelperThread;

class PoseLineQueue {
 public:
  // `helper` null: every line goes to `poses` as it comes.
  PoseLineQueue(PoseBatch* poses, HelperThread* helper);
  PoseLineQueue(const PoseLineQueue&) = delete;
  PoseLineQueue& operator=(const PoseLineQueue&) = delete;
  ~PoseLineQueue();

  // PoseBatch::Target, in turn with the lines; `initial` (unless null) is first copied into the
  // table, as its starting bones.
  void Target(SmdBone* bones, int boneCount, const SmdBone* initial);
  // Whether lines are kept for two threads.
  bool Helped() const { return helper_ != nullptr; }
  // A pose line; `inPlace`: it stays where it lies until the next Flush.
  void AddLine(const SmdLine& line, bool inPlace) {
    if (helper_) {
      Keep(line, inPlace);
    } else {
      poses_->AddLine(line);
    }
  }
  // Scans the lines kept and applies everything queued, then the batch. Must run before the lines
  // kept are overwritten.
  void Flush();

 private:
  enum class Kind : uint8_t { kTable, kLine, kScanned };
  struct Kept {
    Kind kind;
    // kScanned: whether the line matched the pose pattern.
    bool matched;
    // kLine: the text where it lies.
    uint32_t length;
    const char* text;
    // kTable: the table, its starting bones and its size (in `bone`); kScanned: the line's bone
    // and numbers.
    SmdBone* bones;
    const SmdBone* initial;
    int bone;
    float value[6];
  };
  static constexpr size_t kCapacity = 16384;
  static constexpr size_t kLinesPerPart = 256;

  void Keep(const SmdLine& line, bool inPlace);
  static void Scan(const SmdLine& line, Kept& kept);
  bool SplitIntoRuns();
  void ApplyRun(size_t run);
  static void Start(PoseBatch& poses, SmdBone* bones, int boneCount, const SmdBone* initial);
  void Apply();

  PoseBatch* poses_;
  HelperThread* helper_;
  Kept* kept_ = nullptr;
  size_t keptCount_ = 0;
  // Where each run of one table's lines starts among the kept entries, and past the last.
  uint32_t* runStarts_ = nullptr;
  size_t runCount_ = 0;
  // The table the lines queued now pose: lines for none are not kept.
  bool targeted_ = false;
};
