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

typedef int MaskRow __attribute__((vector_size(16)));

smd::MatrixRow LoadRow(const float* p) {
  smd::MatrixRow row;
  std::memcpy(&row, p, sizeof row);
  return row;
}

smd::MatrixRow Magnitude(smd::MatrixRow v) {
  return (smd::MatrixRow)((MaskRow)v & 0x7fffffff);
}

// Rows a, b, c, d of four lanes in; column j out as row `row` of matrix j.
void Transpose(smd::MatrixRow a, smd::MatrixRow b, smd::MatrixRow c, smd::MatrixRow d, smd::MatrixRows* out,
               int row) {
  const smd::MatrixRow ab0 = __builtin_shufflevector(a, b, 0, 4, 1, 5),
                       cd0 = __builtin_shufflevector(c, d, 0, 4, 1, 5);
  const smd::MatrixRow ab2 = __builtin_shufflevector(a, b, 2, 6, 3, 7),
                       cd2 = __builtin_shufflevector(c, d, 2, 6, 3, 7);
  out[0].row[row] = __builtin_shufflevector(ab0, cd0, 0, 1, 4, 5);
  out[1].row[row] = __builtin_shufflevector(ab0, cd0, 2, 3, 6, 7);
  out[2].row[row] = __builtin_shufflevector(ab2, cd2, 0, 1, 4, 5);
  out[3].row[row] = __builtin_shufflevector(ab2, cd2, 2, 3, 6, 7);
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
//
// Four lines at once, each lane a line: `s`, `c` and `t` are the x, y and z rows of sines,
// cosines and translations. Writes the four local matrices, and in `applies` whether the closed
// form holds for each line (its matrix is then the rule's).
void ClosedFormLocalPoses(const smd::MatrixRow (&s)[3], const smd::MatrixRow (&c)[3],
                          const smd::MatrixRow (&t)[3], smd::MatrixRows* local, int* applies) {
  constexpr float kLeast = 0x1p-40f;
  constexpr float kGreatest = std::numeric_limits<float>::max();
  // Compares that fail on NaN, so that a NaN anywhere takes the full products.
  MaskRow ok =
      (Magnitude(t[0]) <= kGreatest) & (Magnitude(t[1]) <= kGreatest) & (Magnitude(t[2]) <= kGreatest);
  for (int axis = 0; axis < 3; ++axis) ok &= (Magnitude(s[axis]) >= kLeast) & (Magnitude(c[axis]) >= kLeast);
  std::memcpy(applies, &ok, sizeof ok);

  const smd::MatrixRow zero = {0, 0, 0, 0}, one = {1, 1, 1, 1};
  const smd::MatrixRow sxsy = s[0] * s[1], cxsy = c[0] * s[1];
  Transpose(c[1] * c[2], c[1] * s[2], -s[1], zero, local, 0);
  Transpose(sxsy * c[2] + c[0] * -s[2], sxsy * s[2] + c[0] * c[2], s[0] * c[1], zero, local, 1);
  Transpose(cxsy * c[2] + s[0] * s[2], cxsy * s[2] + -s[0] * c[2], c[0] * c[1], zero, local, 2);
  Transpose(zero + t[0], zero + t[1], zero + t[2], one, local, 3);
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
  for (int axis = 0; axis < 3; ++axis) {
    translation_[axis * kCapacity + count_] = value[axis];
    angle_[axis * kCapacity + count_] = value[3 + axis];
  }
  if (++count_ == kCapacity) Flush();
}

void PoseBatch::Flush() {
  if (count_ == 0) return;
  // Whole groups of four lines: the angles of each axis close up to that stride, and the lanes
  // past the last line are zero (their results are not used).
  const int stride = (count_ + 3) & ~3;
  for (int axis = 0; axis < 3; ++axis) {
    float* angles = angle_ + axis * stride;
    float* translations = translation_ + axis * kCapacity;
    if (axis > 0)
      std::memmove(angles, angle_ + axis * kCapacity, sizeof(float) * static_cast<size_t>(count_));
    for (int k = count_; k < stride; ++k) angles[k] = translations[k] = 0;
  }
  float sines[3 * kCapacity], cosines[3 * kCapacity];
  SineCosines(angle_, 3 * stride, sines, cosines);

  smd::MatrixRows local[kCapacity];
  int applies[kCapacity];
  for (int k = 0; k < count_; k += 4) {
    smd::MatrixRow s[3], c[3], t[3];
    for (int axis = 0; axis < 3; ++axis) {
      s[axis] = LoadRow(sines + axis * stride + k);
      c[axis] = LoadRow(cosines + axis * stride + k);
      t[axis] = LoadRow(translation_ + axis * kCapacity + k);
    }
    ClosedFormLocalPoses(s, c, t, local + k, applies + k);
  }

  for (int k = 0; k < count_; ++k) {
    if (!applies[k]) {
      const float value[6] = {translation_[k], translation_[kCapacity + k], translation_[2 * kCapacity + k]};
      const float s[3] = {sines[k], sines[stride + k], sines[2 * stride + k]};
      const float c[3] = {cosines[k], cosines[stride + k], cosines[2 * stride + k]};
      local[k] = LocalPose(value, s, c);
    }
    SmdBone& bone = bones_[bone_[k]];
    smd::StoreRows(local[k], bone.local);
    const int parent = bone.parent;
    if (parent < 0 || parent >= boneCount_) {
      smd::StoreRows(local[k], bone.combined);
    } else {
      smd::StoreRows(smd::Multiply(local[k], smd::LoadRows(bones_[parent].combined)), bone.combined);
    }
  }
  count_ = 0;
}
