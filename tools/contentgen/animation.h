// Skeletal animation as the model files store it: per key frame, each bone's translation
// (relative to its parent) and rotation angles. Poses are authored in degrees as offsets from
// the bind pose and sampled from smooth curves into key frames.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "skeleton.h"
#include "vec_math.h"

namespace contentgen {

struct Pose {
  std::array<Vec3, kBoneCount> degrees{};  // (about x, about y, about z) per bone
  Vec3 root_offset;                        // pelvis displacement from its bind position

  Pose& Set(int bone, double rx, double ry, double rz) {
    degrees[bone] = {rx, ry, rz};
    return *this;
  }
};

Pose operator+(const Pose& a, const Pose& b);
Pose operator*(const Pose& a, double s);

struct KeyPose {
  double time;  // in key frames
  Pose pose;
};

// Smooth periodic curve through the key poses (Catmull-Rom with uneven spacing), sampled at
// `time` in [0, period). Keys must be sorted, the first at 0 and the last before `period`.
Pose SamplePeriodic(const std::vector<KeyPose>& keys, double period, double time);

struct BoneFrame {
  Vec3 translation;  // relative to the parent
  Vec3 radians;      // rx, ry, rz
};

using SkeletonFrame = std::array<BoneFrame, kBoneCount>;

struct AnimationClip {
  std::string name;
  std::vector<SkeletonFrame> frames;
};

SkeletonFrame ToFrame(const Pose& pose);

// Largest rotation, in degrees, of any bone's local frame between two frames.
double LargestBoneTurn(const SkeletonFrame& a, const SkeletonFrame& b);

// Throws std::runtime_error if consecutive frames (and last-to-first, when `looped`) turn a bone
// by more than `max_degrees`: the viewer blends matrices element-wise, and big steps would
// visibly shrink limbs halfway between key frames.
void CheckSmallSteps(const AnimationClip& clip, bool looped, double max_degrees);

}  // namespace contentgen
