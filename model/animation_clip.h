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
  // While a loader fills the tables: frames [0, filledFrames) hold their bones, the others are
  // not yet written, and `pending` is the table each of them starts as (null once all are filled).
  int filledFrames = 0;
  SmdBone* pending = nullptr;

  AnimationClip() = default;
  AnimationClip(const AnimationClip&) = delete;
  AnimationClip& operator=(const AnimationClip&) = delete;
  ~AnimationClip() { FreeFrames(); }

  // Refuses a count of 0 (or below), or tables of more than kMaxKeyFrameBones bones in all,
  // leaving the clip unchanged. Otherwise replaces the tables;
  // when memory runs out nothing is held (`frames` null) and the result is false.
  bool AllocateFrames(int frameCount, int boneCount);
  // The same, but the tables are left unwritten: each is written when FilledFrame or
  // FillAllFrames reaches it, as a copy of `pending`, which starts as default bones. A 10,000-frame
  // clip is then written once, in order, each frame just before its poses, rather than in a pass
  // of its own. Only the frames below filledFrames may be read until FillAllFrames.
  bool AllocateFramesToFill(int frameCount, int boneCount);
  // Frame f's table, after writing the unwritten tables up to it.
  SmdBone* FilledFrame(int f);
  // The same, but frame f's own table is counted as written and left to the caller, which copies
  // `pending` into it before anything reads it where `fresh` is set.
  SmdBone* FrameToFill(int f, bool* fresh);
  void FillAllFrames();
  void FreeFrames();
};
