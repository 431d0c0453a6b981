// The key-frame tables of an animation clip.
#include "model/animation_clip.h"

#include <cstddef>
#include <cstring>
#include <memory>
#include <new>
#include <type_traits>

namespace {

SmdBone* AllocateBones(size_t count) {
  return static_cast<SmdBone*>(::operator new[](count * sizeof(SmdBone), std::nothrow));
}

}  // namespace

bool AnimationClip::AllocateFrames(int newFrameCount, int newBoneCount) {
  if (!AllocateFramesToFill(newFrameCount, newBoneCount)) return false;
  FillAllFrames();
  return true;
}

bool AnimationClip::AllocateFramesToFill(int newFrameCount, int newBoneCount) {
  if (newFrameCount <= 0 || newBoneCount <= 0) return false;
  if (static_cast<long long>(newFrameCount) * newBoneCount > kMaxKeyFrameBones) return false;
  if (frames) FreeFrames();
  frameCount = newFrameCount;
  boneCount = newBoneCount;
  frames = new (std::nothrow) SmdBone*[static_cast<size_t>(frameCount)]();
  if (!frames) return false;
  // One block holds every frame's table: one allocation, and memory a later clip can reuse whole.
  boneBlock = AllocateBones(static_cast<size_t>(frameCount) * static_cast<size_t>(boneCount));
  pending = AllocateBones(static_cast<size_t>(boneCount));
  if (!boneBlock || !pending) {
    FreeFrames();
    return false;
  }
  std::uninitialized_value_construct_n(pending, boneCount);
  for (int f = 0; f < frameCount; ++f)
    frames[f] = boneBlock + static_cast<size_t>(f) * static_cast<size_t>(boneCount);
  filledFrames = 0;
  return true;
}

// A frame's table is copied as one block: copied bone by bone, each bone's few hundred bytes
// took a string move of its own, which cost more than the key frame's pose lines.
static_assert(std::is_trivially_copyable_v<SmdBone>, "bone tables are copied as bytes");

SmdBone* AnimationClip::FilledFrame(int f) {
  const size_t tableBytes = static_cast<size_t>(boneCount) * sizeof(SmdBone);
  for (; pending && filledFrames <= f && filledFrames < frameCount; ++filledFrames)
    std::memcpy(static_cast<void*>(frames[filledFrames]), pending, tableBytes);
  return frames[f];
}

SmdBone* AnimationClip::FrameToFill(int f, bool* fresh) {
  *fresh = pending && f >= filledFrames;
  if (*fresh) {
    if (f > 0) FilledFrame(f - 1);
    filledFrames = f + 1;
  }
  return frames[f];
}

void AnimationClip::FillAllFrames() {
  if (!frames) return;
  FilledFrame(frameCount - 1);
  ::operator delete[](pending);
  pending = nullptr;
}

void AnimationClip::FreeFrames() {
  if (!frames) return;
  // SmdBone needs no destructor: the blocks are released as the memory they were allocated as.
  ::operator delete[](boneBlock);
  boneBlock = nullptr;
  ::operator delete[](pending);
  pending = nullptr;
  filledFrames = 0;
  delete[] frames;
  frames = nullptr;
}
