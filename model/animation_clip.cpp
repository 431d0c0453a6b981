// The key-frame tables of an animation clip.
#include "model/animation_clip.h"

#include <cstddef>
#include <new>

bool AnimationClip::AllocateFrames(int newFrameCount, int newBoneCount) {
  if (newFrameCount <= 0 || newBoneCount <= 0) return false;
  if (static_cast<long long>(newFrameCount) * newBoneCount > kMaxKeyFrameBones) return false;
  if (frames) FreeFrames();
  frameCount = newFrameCount;
  boneCount = newBoneCount;
  frames = new (std::nothrow) SmdBone*[static_cast<size_t>(frameCount)]();
  if (!frames) return false;
  // One block holds every frame's table: one allocation, and memory a later clip can reuse whole.
  boneBlock = new (std::nothrow) SmdBone[static_cast<size_t>(frameCount) * static_cast<size_t>(boneCount)];
  if (!boneBlock) {
    FreeFrames();
    return false;
  }
  for (int f = 0; f < frameCount; ++f)
    frames[f] = boneBlock + static_cast<size_t>(f) * static_cast<size_t>(boneCount);
  return true;
}

void AnimationClip::FreeFrames() {
  if (!frames) return;
  delete[] boneBlock;
  boneBlock = nullptr;
  delete[] frames;
  frames = nullptr;
}
