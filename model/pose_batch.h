// The pose rule over a run of pose lines. Lines are scanned as they are added and applied in the
// order they came when the batch is flushed: local = RotationX(rx)·RotationY(ry)·RotationZ(rz)·
// Translation(p), and combined = local for a root, else local·(the parent's combined as it stands
// when the line's turn comes). A line's local matrix depends on its own numbers alone, so the
// batch computes all of them first, the sines and cosines of all angles together, and then sets
// the bones line by line; the results are those of applying each line as it is read, since
// nothing reads the table between the adding and the flush.
#pragma once

#include <cstddef>

#include "model/skinned_model.h"

class PoseBatch {
 public:
  PoseBatch() = default;
  PoseBatch(const PoseBatch&) = delete;
  PoseBatch& operator=(const PoseBatch&) = delete;

  // The bone table the lines added from now on pose (null for none); lines still held are
  // applied to the previous table first.
  void Target(SmdBone* bones, int boneCount);
  // A pose line; one that does not match the pose pattern changes nothing.
  void AddLine(const SmdLine& line);
  // The numbers of a pose line: translation x, y, z, then the angles about x, y and z. A bone
  // index outside the table changes nothing.
  void Add(int bone, const float (&value)[6]);
  // Applies the lines held.
  void Flush();
  SmdBone* bones() const { return bones_; }
  int boneCount() const { return boneCount_; }

 private:
  static constexpr int kCapacity = 32;
  SmdBone* bones_ = nullptr;
  int boneCount_ = 0;
  int count_ = 0;
  int bone_[kCapacity];
  // Axis by axis, line by line (translation_[axis * kCapacity + line]), so that four lines' same
  // number is one vector.
  float translation_[3 * kCapacity];
  float angle_[3 * kCapacity];
};
