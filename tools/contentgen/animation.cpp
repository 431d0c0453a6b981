// Pose arithmetic, key-pose interpolation and the step-size check for animation clips.
#include "animation.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace contentgen {

Pose operator+(const Pose& a, const Pose& b) {
  Pose r;
  for (int i = 0; i < kBoneCount; ++i) r.degrees[i] = a.degrees[i] + b.degrees[i];
  r.root_offset = a.root_offset + b.root_offset;
  return r;
}

Pose operator*(const Pose& a, double s) {
  Pose r;
  for (int i = 0; i < kBoneCount; ++i) r.degrees[i] = a.degrees[i] * s;
  r.root_offset = a.root_offset * s;
  return r;
}

Pose SamplePeriodic(const std::vector<KeyPose>& keys, double period, double time) {
  const int n = static_cast<int>(keys.size());
  auto key_time = [&](int i) {  // unwrapped time of key i, any integer i
    const int wrapped = ((i % n) + n) % n;
    return keys[wrapped].time + period * std::floor(static_cast<double>(i) / n);
  };
  auto key_pose = [&](int i) -> const Pose& { return keys[((i % n) + n) % n].pose; };
  time = std::fmod(std::fmod(time, period) + period, period);
  int i = n - 1;
  while (i > 0 && keys[i].time > time) --i;
  const double t0 = key_time(i), t1 = key_time(i + 1), h = t1 - t0;
  const double s = (time - t0) / h;
  // Tangents from the neighbouring keys, scaled to this segment's length.
  const Pose m0 = (key_pose(i + 1) + key_pose(i - 1) * -1.0) * (h / (t1 - key_time(i - 1)));
  const Pose m1 = (key_pose(i + 2) + key_pose(i) * -1.0) * (h / (key_time(i + 2) - t0));
  const double s2 = s * s, s3 = s2 * s;
  return key_pose(i) * (2 * s3 - 3 * s2 + 1) + m0 * (s3 - 2 * s2 + s) + key_pose(i + 1) * (-2 * s3 + 3 * s2) +
         m1 * (s3 - s2);
}

SkeletonFrame ToFrame(const Pose& pose) {
  SkeletonFrame frame;
  for (int b = 0; b < kBoneCount; ++b) {
    frame[b].translation = BindOffset(b) + (b == kPelvis ? pose.root_offset : Vec3{});
    frame[b].radians = pose.degrees[b] * (kPi / 180.0);
  }
  return frame;
}

double LargestBoneTurn(const SkeletonFrame& a, const SkeletonFrame& b) {
  double largest = 0;
  for (int i = 0; i < kBoneCount; ++i) {
    const Mat4 ra = BoneLocal({}, a[i].radians), rb = BoneLocal({}, b[i].radians);
    double trace = 0;  // trace of ra^T * rb
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 3; ++c) trace += ra.m[r][c] * rb.m[r][c];
    const double angle = std::acos(std::clamp((trace - 1) / 2, -1.0, 1.0)) * 180.0 / kPi;
    largest = std::max(largest, angle);
  }
  return largest;
}

void CheckSmallSteps(const AnimationClip& clip, bool looped, double max_degrees) {
  const size_t n = clip.frames.size();
  for (size_t i = 0; i + (looped ? 0 : 1) < n; ++i) {
    const double turn = LargestBoneTurn(clip.frames[i], clip.frames[(i + 1) % n]);
    if (turn > max_degrees)
      throw std::runtime_error(clip.name + ": a bone turns " + std::to_string(turn) +
                               " degrees after key frame " + std::to_string(i));
  }
}

}  // namespace contentgen
