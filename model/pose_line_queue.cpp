// PoseLineQueue: pose lines scanned at once or in batches, applied in file order.
#include "model/pose_line_queue.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "base/helper_thread.h"
#include "model/smd_scan_number_line.h"

PoseLineQueue::PoseLineQueue(PoseBatch* poses, HelperThread* helper) : poses_(poses), helper_(helper) {
  if (helper_) {
    kept_ = new (std::nothrow) Kept[kCapacity];
    runStarts_ = new (std::nothrow) uint32_t[kCapacity + 1];
  }
  // Without room to keep lines, every line is applied as it comes.
  if (!kept_ || !runStarts_) helper_ = nullptr;
}

PoseLineQueue::~PoseLineQueue() {
  delete[] kept_;
  delete[] runStarts_;
}

void PoseLineQueue::Target(SmdBone* bones, int boneCount, const SmdBone* initial) {
  targeted_ = bones != nullptr;
  if (!helper_) {
    Start(*poses_, bones, boneCount, initial);
    return;
  }
  if (keptCount_ == kCapacity) Flush();
  Kept& kept = kept_[keptCount_++];
  kept.kind = Kind::kTable;
  kept.bones = bones;
  kept.initial = initial;
  kept.bone = boneCount;
}

// Points `poses` at the table, its starting bones written first where it has them.
void PoseLineQueue::Start(PoseBatch& poses, SmdBone* bones, int boneCount, const SmdBone* initial) {
  poses.Target(bones, boneCount);
  if (bones && initial)
    std::memcpy(static_cast<void*>(bones), initial, sizeof(SmdBone) * static_cast<size_t>(boneCount));
}

void PoseLineQueue::Keep(const SmdLine& line, bool inPlace) {
  // A line for no table changes nothing.
  if (!targeted_) return;
  if (keptCount_ == kCapacity) Flush();
  Kept& kept = kept_[keptCount_++];
  if (inPlace) {
    kept.kind = Kind::kLine;
    kept.text = line.text;
    kept.length = static_cast<uint32_t>(line.length);
    return;
  }
  // A line copied into the reader's own buffer is overwritten by the next one: scanned at once.
  Scan(line, kept);
}

void PoseLineQueue::Flush() {
  if (helper_ && keptCount_ > 0 && SplitIntoRuns()) {
    auto applyRun = [this](size_t run) { ApplyRun(run); };
    helper_->Run(runCount_, applyRun);
    // The lines after the last table change go on posing that table.
    for (size_t i = keptCount_; i-- > 0;) {
      if (kept_[i].kind == Kind::kTable) {
        // Its starting bones are written already.
        poses_->Target(kept_[i].bones, kept_[i].bone);
        break;
      }
    }
    keptCount_ = 0;
  } else if (helper_ && keptCount_ > 0) {
    auto scanPart = [this](size_t part) {
      const size_t end = std::min(keptCount_, (part + 1) * kLinesPerPart);
      for (size_t i = part * kLinesPerPart; i < end; ++i) {
        Kept& kept = kept_[i];
        if (kept.kind == Kind::kLine) Scan(SmdLine{kept.text, kept.length}, kept);
      }
    };
    helper_->Run((keptCount_ + kLinesPerPart - 1) / kLinesPerPart, scanPart);
    Apply();
  }
  poses_->Flush();
}

void PoseLineQueue::Scan(const SmdLine& line, Kept& kept) {
  kept.kind = Kind::kScanned;
  kept.matched = smd::ScanNumberLine(line, kept.bone, kept.value, 6);
}

// One run for the lines before the first table change (they pose the batch's table), one from
// each table change on. False where two runs would pose one table: they must then be applied in
// turn.
bool PoseLineQueue::SplitIntoRuns() {
  runCount_ = 0;
  const SmdBone* last = poses_->bones();
  if (kept_[0].kind != Kind::kTable) runStarts_[runCount_++] = 0;
  for (size_t i = 0; i < keptCount_; ++i) {
    if (kept_[i].kind != Kind::kTable) continue;
    const SmdBone* bones = kept_[i].bones;
    // The tables lie in one block in frame order: increasing addresses are distinct tables.
    if (bones) {
      if (last && bones <= last) return false;
      last = bones;
    }
    runStarts_[runCount_++] = static_cast<uint32_t>(i);
  }
  runStarts_[runCount_] = static_cast<uint32_t>(keptCount_);
  return true;
}

void PoseLineQueue::ApplyRun(size_t run) {
  size_t i = runStarts_[run];
  const size_t end = runStarts_[run + 1];
  PoseBatch poses;
  if (kept_[i].kind == Kind::kTable) {
    Start(poses, kept_[i].bones, kept_[i].bone, kept_[i].initial);
    ++i;
  } else {
    poses.Target(poses_->bones(), poses_->boneCount());
  }
  for (; i < end; ++i) {
    Kept& kept = kept_[i];
    if (kept.kind == Kind::kLine) Scan(SmdLine{kept.text, kept.length}, kept);
    if (kept.matched) poses.Add(kept.bone, kept.value);
  }
  poses.Flush();
}

void PoseLineQueue::Apply() {
  for (size_t i = 0; i < keptCount_; ++i) {
    const Kept& kept = kept_[i];
    if (kept.kind == Kind::kTable) {
      Start(*poses_, kept.bones, kept.bone, kept.initial);
    } else if (kept.matched) {
      poses_->Add(kept.bone, kept.value);
    }
  }
  keptCount_ = 0;
}
