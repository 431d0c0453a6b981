// Loading of an animation SMD file into the next clip slot: counting pass, key-frame tables,
// filling pass (node names and parents into every frame, one pose per bone and key frame).
#include <cstring>
#include <memory>
#include <new>

#include "base/helper_thread.h"
#include "base/platform.h"
#include "model/pose_batch.h"
#include "model/pose_line_queue.h"
#include "model/skinned_model.h"
#include "model/smd_field_scan.h"
#include "model/smd_load_threads.h"
#include "model/smd_messages.h"
#include "model/smd_node_line.h"

namespace {

// The clip's pose lines in the unit smd::LoadThreads weighs: a reference file's triangle, whose
// three numeric lines take about as long to scan as three pose lines.
int TwoThreadWork(const AnimationClip& clip) {
  return clip.frames ? clip.frameCount * clip.boneCount / 3 : 0;
}

// Files up to this size are read once, whole, for both passes: a clip of a few hundred frames.
constexpr size_t kWholeFileLimit = size_t{1} << 20;

}  // namespace

bool SkinnedModel::LoadAnimation(const char* path) {
  diagnostic = SmdDiagnostic{};
  return ReadFile(path, &SkinnedModel::ParseAnimation, kSmdNotAnimationMessage);
}

int SkinnedModel::ParseAnimation(FILE* input) {
  diagnostic = SmdDiagnostic{};
  if (clipCount < 0 || clipCount >= kSmdMaxClips)
    return Refuse(kSmdRefused, 0, "all 32 clip slots are in use");
  SmdLineSource file(input, line, token, sizeof token);
  // Read once for both passes.
  file.HoldWholeFile(kWholeFileLimit);
  const bool counted = CountFile(file);
  if (diagnostic.result == kSmdHeaderRefused) return kSmdHeaderRefused;
  if (triangleCount > 1) {
    return Refuse(kSmdWrongKind, 0, "the file holds %d triangles: a mesh, not an animation", triangleCount);
  }
  if (!counted) return diagnostic.result;
  if (static_cast<long long>(timeCount) * nodeCount > kMaxKeyFrameBones) {
    return Refuse(kSmdRefused, 0, "%d key frames of %d nodes: more than %lld key-frame bones", timeCount,
                  nodeCount, kMaxKeyFrameBones);
  }

  clips[clipCount].AllocateFramesToFill(timeCount, nodeCount);
  file.Rewind();
  // On two threads, the pose lines of one block are scanned together before it is refilled.
  std::unique_ptr<char[]> block;
  if (!file.HoldsWholeFile() && smd::LoadThreads(TwoThreadWork(clips[clipCount])) == 2) {
    constexpr size_t kTwoThreadBlock = size_t{1} << 20;
    block.reset(new (std::nothrow) char[kTwoThreadBlock + SmdLineSource::kReadable]);
    file.ReadThrough(block.get(), kTwoThreadBlock);
  }
  BlockLoop(file, &SkinnedModel::ReadAnimationNodes, &SkinnedModel::ReadAnimationSkeleton, nullptr);
  // Key frames that no "time" line reached, or that lie past the last one, as the nodes left them.
  clips[clipCount].FillAllFrames();
  ++clipCount;
  return kSmdRead;
}

bool SkinnedModel::ReadAnimationNodes(SmdLineSource& file) {
  AnimationClip* clip = clipCount >= 0 && clipCount < kSmdMaxClips ? &clips[clipCount] : nullptr;
  const int frames = clip && clip->frames ? clip->frameCount : 0;
  while (file.NextCopied()) {
    if (smd::IsKeyword(token, "end")) return true;
    int index = 0, parent = 0;
    if (!smd::ScanNodeLine(line, index, token, sizeof token, parent)) continue;
    if (frames == 0 || index < 0 || index >= clip->boneCount || parent < -1 || parent >= clip->boneCount)
      continue;
    // The name with its terminator: the rest of each bone's name buffer is zero from construction.
    // Into every frame: those written already, and the table the others will start as.
    const size_t nameBytes = strnlen(token, sizeof token - 1) + 1;
    const auto name = [&](SmdBone& bone) {
      std::memcpy(bone.name, token, nameBytes);
      bone.parent = parent;
    };
    if (clip->pending) name(clip->pending[index]);
    for (int f = 0; f < clip->filledFrames; ++f) name(clip->frames[f][index]);
  }
  return false;
}

namespace {

bool HoldsAWord(const SmdLine& line) {
  for (size_t i = 0; i < line.length; ++i)
    if (!smd::IsSpace(line.text[i])) return true;
  return false;
}

}  // namespace

// A "time N" line starts key frame N (counted from the smallest N); the `nodeCount` lines
// after it are its pose lines. A frame
// that has fewer ends at the next line that itself says "time" or "end" rather than swallowing
// it; a blank line, which says nothing, is one of the frame's lines and changes nothing (it
// keeps the word of the line before it, so right after "time" it would otherwise start the
// frame over). A frame number outside the table makes its pose lines change nothing.
bool SkinnedModel::ReadAnimationSkeleton(SmdLineSource& file) {
  AnimationClip* clip = clipCount >= 0 && clipCount < kSmdMaxClips ? &clips[clipCount] : nullptr;
  const int frames = clip && clip->frames ? clip->frameCount : 0;
  PoseBatch batch;
  HelperThread helper;
  PoseLineQueue poses(&batch, clip && smd::LoadThreads(TwoThreadWork(*clip)) == 2 ? &helper : nullptr);
  // Lines kept where they lie are scanned before the buffer is refilled over them.
  file.BeforeRefill([](void* kept) { static_cast<PoseLineQueue*>(kept)->Flush(); }, &poses);
  int posesLeft = 0;
  SmdLine poseLine;
  bool ended = false;
  while (file.NextPose(&poseLine)) {
    // A line that starts with a digit holds a word that is no keyword: a pose line, or nothing.
    if (static_cast<unsigned>(poseLine.text[0] - '0') < 10u) {
      if (posesLeft > 0) {
        --posesLeft;
        poses.AddLine(poseLine, poseLine.text != line);
      }
      continue;
    }
    if (posesLeft > 0 && !HoldsAWord(poseLine)) {
      --posesLeft;
      continue;
    }
    if (smd::IsKeyword(token, "end")) {
      ended = true;
      break;
    }
    if (smd::IsKeyword(token, "time")) {
      file.Terminate(&poseLine);
      const char* p = poseLine.text;
      smd::ScanWord(p, token, sizeof token);
      // "%s %d" into token and version: without a number, version keeps the last one.
      int number = 0;
      if (smd::ScanInt(p, number)) version = number;
      // Key frames are stored from the clip's smallest frame number on: exporters that number a
      // clip from a later frame (time 5 ... time 34) lose nothing and play no empty frames first.
      const long long index = static_cast<long long>(version) - (firstFrameNumber > 0 ? firstFrameNumber : 0);
      SmdBone* table = nullptr;
      const SmdBone* initial = nullptr;
      if (index >= 0 && index < frames) {
        // On two threads, a frame's table is first written by the thread that poses it.
        bool fresh = false;
        table = poses.Helped() ? clip->FrameToFill(static_cast<int>(index), &fresh)
                               : clip->FilledFrame(static_cast<int>(index));
        if (fresh) initial = clip->pending;
      }
      poses.Target(table, clip ? clip->boneCount : 0, initial);
      posesLeft = nodeCount;
      continue;
    }
    if (posesLeft <= 0) continue;
    --posesLeft;
    poses.AddLine(poseLine, poseLine.text != line);
  }
  poses.Flush();
  file.BeforeRefill(nullptr, nullptr);
  return ended;
}
