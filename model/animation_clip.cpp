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
  for (int f = 0; f < frameCount; ++f) {
    frames[f] = new (std::nothrow) SmdBone[static_cast<size_t>(boneCount)];
    if (!frames[f]) {
      FreeFrames();
      return false;
    }
  }
  return true;
}

void AnimationClip::FreeFrames() {
  if (!frames) return;
  for (int f = 0; f < frameCount; ++f) {
    delete[] frames[f];
    frames[f] = nullptr;
  }
  delete[] frames;
  frames = nullptr;
}
