// PoseLineQueue: pose lines scanned at once or in batches, applied in file order.
#include "model/pose_line_queue.h"

#include <algorithm>
#include <new>

#include "base/helper_thread.h"
#include "model/smd_scan_number_line.h"

PoseLineQueue::PoseLineQueue(PoseBatch* poses, HelperThread* helper) : poses_(poses), helper_(helper) {
  if (helper_) kept_ = new (std::nothrow) Kept[kCapacity];
  // Without room to keep lines, every line is applied as it comes.
  if (!kept_) helper_ = nullptr;
}

PoseLineQueue::~PoseLineQueue() {
  delete[] kept_;
}

void PoseLineQueue::Target(SmdBone* bones, int boneCount) {
  targeted_ = bones != nullptr;
  if (!helper_) {
    poses_->Target(bones, boneCount);
    return;
  }
  if (keptCount_ == kCapacity) Flush();
  Kept& kept = kept_[keptCount_++];
  kept.kind = Kind::kTable;
  kept.bones = bones;
  kept.bone = boneCount;
}

void PoseLineQueue::AddLine(const SmdLine& line, bool inPlace) {
  if (!helper_) {
    poses_->AddLine(line);
    return;
  }
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
  if (helper_ && keptCount_ > 0) {
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

void PoseLineQueue::Apply() {
  for (size_t i = 0; i < keptCount_; ++i) {
    const Kept& kept = kept_[i];
    if (kept.kind == Kind::kTable) {
      poses_->Target(kept.bones, kept.bone);
    } else if (kept.matched) {
      poses_->Add(kept.bone, kept.value);
    }
  }
  keptCount_ = 0;
}
