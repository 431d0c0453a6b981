// Loading of an animation SMD file into the next clip slot: counting pass, key-frame tables,
// filling pass (node names and parents into every frame, one pose per bone and key frame).
#include <cstring>

#include "model/pose_batch.h"
#include "model/skinned_model.h"
#include "model/smd_messages.h"
#include "model/smd_node_line.h"
#include "model/smd_scan.h"
#include "base/platform.h"

bool SkinnedModel::LoadAnimation(const char* path) {
  diagnostic = SmdDiagnostic{};
  FILE* file = path ? OpenFile(path, "rt") : nullptr;
  if (!file) {
    Refuse(-1, 0, "the file cannot be opened");
    return false;
  }
  const int result = ParseAnimation(file);
  std::fclose(file);
  if (result == kSmdHeaderRefused) MessageBoxA(nullptr, kSmdNotSmdMessage, kSmdErrorCaption, MB_OK);
  if (result == kSmdWrongKind) MessageBoxA(nullptr, kSmdNotAnimationMessage, kSmdErrorCaption, MB_OK);
  if (result == kSmdRefused) ShowRefusal(path);
  return result == kSmdRead;
}

int SkinnedModel::ParseAnimation(FILE* input) {
  diagnostic = SmdDiagnostic{};
  if (clipCount < 0 || clipCount >= kSmdMaxClips)
    return Refuse(kSmdRefused, 0, "all 32 clip slots are in use");
  SmdReader file(input);
  ResetCounters();
  if (!HeaderAccepted(file)) return Refuse(kSmdHeaderRefused, 1, "the first line is not \"version 1\"");

  const bool counted =
      BlockLoop(file, &SkinnedModel::CountNodes, &SkinnedModel::CountFrames, &SkinnedModel::CountTriangles);
  if (triangleCount > 1) {
    char reason[sizeof diagnostic.reason];
    std::snprintf(reason, sizeof reason, "the file holds %d triangles: a mesh, not an animation",
                  triangleCount);
    return Refuse(kSmdWrongKind, 0, reason);
  }
  if (!counted) return diagnostic.result;
  if (static_cast<long long>(timeCount) * nodeCount > kMaxKeyFrameBones) {
    char reason[sizeof diagnostic.reason];
    std::snprintf(reason, sizeof reason, "%d key frames of %d nodes: more than %lld key-frame bones",
                  timeCount, nodeCount, kMaxKeyFrameBones);
    return Refuse(kSmdRefused, 0, reason);
  }

  clips[clipCount].AllocateFrames(timeCount, nodeCount);
  file.Rewind();
  BlockLoop(file, &SkinnedModel::ReadAnimationNodes, &SkinnedModel::ReadAnimationSkeleton, nullptr);
  ++clipCount;
  return kSmdRead;
}

bool SkinnedModel::ReadAnimationNodes(SmdReader& file) {
  AnimationClip* clip = clipCount >= 0 && clipCount < kSmdMaxClips ? &clips[clipCount] : nullptr;
  const int frames = clip && clip->frames ? clip->frameCount : 0;
  while (NextLine(file)) {
    if (smd::IsKeyword(token, "end")) return true;
    int index = 0, parent = 0;
    if (!smd::ScanNodeLine(line, index, token, sizeof token, parent)) continue;
    if (frames == 0 || index < 0 || index >= clip->boneCount || parent < -1 || parent >= clip->boneCount)
      continue;
    for (int f = 0; f < frames; ++f) {
      SmdBone& bone = clip->frames[f][index];
      std::memcpy(bone.name, token, sizeof token);
      bone.parent = parent;
    }
  }
  return false;
}

namespace {

bool HoldsAWord(const char* text, size_t length) {
  for (size_t i = 0; i < length; ++i)
    if (!smd::IsSpace(text[i])) return true;
  return false;
}

}  // namespace

// A "time N" line starts key frame N; the `nodeCount` lines after it are its pose lines. A frame
// that has fewer ends at the next line that itself says "time" or "end" rather than swallowing
// it; a blank line, which says nothing, is one of the frame's lines and changes nothing (it
// keeps the word of the line before it, so right after "time" it would otherwise start the
// frame over). A frame number outside the table makes its pose lines change nothing.
bool SkinnedModel::ReadAnimationSkeleton(SmdReader& file) {
  AnimationClip* clip = clipCount >= 0 && clipCount < kSmdMaxClips ? &clips[clipCount] : nullptr;
  const int frames = clip && clip->frames ? clip->frameCount : 0;
  PoseBatch poses;
  int posesLeft = 0;
  const char* text = nullptr;
  size_t length = 0;
  while (NextLineInPlace(file, text, length)) {
    if (posesLeft > 0 && !HoldsAWord(text, length)) {
      --posesLeft;
      continue;
    }
    if (smd::IsKeyword(token, "end")) {
      poses.Flush();
      return true;
    }
    if (smd::IsKeyword(token, "time")) {
      if (text != line) {
        std::memcpy(line, text, length);
        line[length] = '\0';
      }
      const char* p = line;
      smd::ScanWord(p, token, sizeof token);
      // "%s %d" into token and version: without a number, version keeps the last one.
      int number = 0;
      if (smd::ScanInt(p, number)) version = number;
      poses.Target(version >= 0 && version < frames ? clip->frames[version] : nullptr,
                   clip ? clip->boneCount : 0);
      posesLeft = nodeCount;
      continue;
    }
    if (posesLeft <= 0) continue;
    --posesLeft;
    poses.AddLine(text, length);
  }
  poses.Flush();
  return false;
}
