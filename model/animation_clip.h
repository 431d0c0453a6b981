// One loaded animation: a full bone table per key frame, and the playback cursor that
// UpdateAndDraw moves between two key frames.
#pragma once

#include "model/smd_bone.h"

// Key frames times bones: the file's length bounds each factor but not their product, so a few
// kilobytes of "time" lines could otherwise ask for gigabytes. The bound (about a quarter of a
// GiB of bones) is far above any real clip.
inline constexpr long long kMaxKeyFrameBones = 1 << 20;

struct AnimationClip {
  int frameCount = 0;
  int boneCount = 0;
  // frames[f] is the bone table of key frame f; entry b is the bone of node index b.
  SmdBone** frames = nullptr;
  float blend = 0.0f;
  int currentFrame = 0;
  int nextFrame = 0;
  // The bones of all frames, frameCount·boneCount of them; frames[f] points at frame f's share.
  SmdBone* boneBlock = nullptr;

  AnimationClip() = default;
  AnimationClip(const AnimationClip&) = delete;
  AnimationClip& operator=(const AnimationClip&) = delete;
  ~AnimationClip() { FreeFrames(); }

  // Refuses a count of 0 (or below), or tables of more than kMaxKeyFrameBones bones in all,
  // leaving the clip unchanged. Otherwise replaces the tables;
  // when memory runs out nothing is held (`frames` null) and the result is false.
  bool AllocateFrames(int frameCount, int boneCount);
  void FreeFrames();
};
