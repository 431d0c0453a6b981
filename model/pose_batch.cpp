// PoseBatch: scanning into the batch, then the local matrices of all lines, then the bones.
#include "model/pose_batch.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "base/sine_cosine.h"
#include "model/smd_matrix.h"
#include "model/smd_scan_number_line.h"

namespace {

// The rows D3DXMatrixRotationX/Y/Z and D3DXMatrixTranslation write, multiplied in the rule's
// order.
smd::MatrixRows LocalPose(const float (&value)[6], const float* s, const float* c) {
  const smd::MatrixRows rotationX{{{1, 0, 0, 0}, {0, c[0], s[0], 0}, {0, -s[0], c[0], 0}, {0, 0, 0, 1}}};
  const smd::MatrixRows rotationY{{{c[1], 0, -s[1], 0}, {0, 1, 0, 0}, {s[1], 0, c[1], 0}, {0, 0, 0, 1}}};
  const smd::MatrixRows rotationZ{{{c[2], s[2], 0, 0}, {-s[2], c[2], 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 1}}};
  const smd::MatrixRows translation{
      {{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}, {value[0], value[1], value[2], 1}}};
  return smd::Multiply(smd::Multiply(smd::Multiply(rotationX, rotationY), rotationZ), translation);
}

// Where the translation is finite and every sine and cosine is at least 2^-40 in magnitude, every
// product in the three matrix products is finite, and zero exactly where one of its factors is
// one of the matrices' zeros (no product of sines and cosines underflows). Adding a zero to a
// nonzero sum leaves it as it is, a sum that cancels is +0, and each zero element of these
// products sums at least one +0; so each element is the sum of its other products in the rule's
// order, or +0 where it has none:
//   RotationX·RotationY = [cy 0 -sy 0; sx·sy cx sx·cy 0; cx·sy -sx cx·cy 0; 0 0 0 1],
// times RotationZ as below, and the translation then only replaces the last row with
// (+0 + px, +0 + py, +0 + pz, 1). The same bits as LocalPose, from a few products.
bool ClosedFormApplies(const float (&value)[6], const float* s, const float* c) {
  constexpr float kLeast = 0x1p-40f;
  for (int k = 0; k < 3; ++k) {
    if (!(std::fabs(value[k]) <= std::numeric_limits<float>::max())) return false;
    if (!(std::fabs(s[k]) >= kLeast && std::fabs(c[k]) >= kLeast)) return false;
  }
  return true;
}

smd::MatrixRows ClosedFormLocalPose(const float (&value)[6], const float* s, const float* c) {
  const float sxsy = s[0] * s[1], cxsy = c[0] * s[1];
  return smd::MatrixRows{{{c[1] * c[2], c[1] * s[2], -s[1], 0},
                          {sxsy * c[2] + c[0] * -s[2], sxsy * s[2] + c[0] * c[2], s[0] * c[1], 0},
                          {cxsy * c[2] + s[0] * s[2], cxsy * s[2] + -s[0] * c[2], c[0] * c[1], 0},
                          {0.0f + value[0], 0.0f + value[1], 0.0f + value[2], 1}}};
}

}  // namespace

void PoseBatch::Target(SmdBone* bones, int boneCount) {
  Flush();
  bones_ = bones;
  boneCount_ = bones ? boneCount : 0;
}

void PoseBatch::AddLine(const SmdLine& line) {
  if (!bones_) return;
  int b = 0;
  float value[6];
  if (smd::ScanNumberLine(line, b, value, 6)) Add(b, value);
}

void PoseBatch::Add(int bone, const float (&value)[6]) {
  if (!bones_ || bone < 0 || bone >= boneCount_) return;
  bone_[count_] = bone;
  std::memcpy(value_[count_], value, sizeof value_[count_]);
  if (++count_ == kCapacity) Flush();
}

void PoseBatch::Flush() {
  if (count_ == 0) return;
  float angles[3 * kCapacity], sines[3 * kCapacity], cosines[3 * kCapacity];
  for (int k = 0; k < count_; ++k)
    for (int axis = 0; axis < 3; ++axis) angles[3 * k + axis] = value_[k][3 + axis];
  SineCosines(angles, 3 * count_, sines, cosines);
  smd::MatrixRows local[kCapacity];
  for (int k = 0; k < count_; ++k) {
    const float* s = sines + 3 * k;
    const float* c = cosines + 3 * k;
    local[k] = ClosedFormApplies(value_[k], s, c) ? ClosedFormLocalPose(value_[k], s, c)
                                                  : LocalPose(value_[k], s, c);
  }

  for (int k = 0; k < count_; ++k) {
    SmdBone& bone = bones_[bone_[k]];
    smd::StoreRows(local[k], bone.local);
    const int parent = bone.parent;
    if (parent < 0 || parent >= boneCount_) {
      bone.combined = bone.local;
    } else {
      smd::StoreRows(smd::Multiply(local[k], smd::LoadRows(bones_[parent].combined)), bone.combined);
    }
  }
  count_ = 0;
}
