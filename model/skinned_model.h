// The model store: the SMD reader's working state, 32 reference-mesh slots and 32 animation-clip
// slots, the loaders that fill them and the playback that blends, skins and draws them.
#pragma once

#include <cstdio>
#include <string>

#include "gfx/d3d9.h"
#include "model/animation_clip.h"
#include "model/smd_line_source.h"
#include "model/smd_mesh.h"

class HelperThread;

inline constexpr int kSmdMaxMeshes = 32;
inline constexpr int kSmdMaxClips = 32;
inline constexpr int kSmdLineSize = static_cast<int>(SmdLineSource::kCapacity);

// Results of ParseReference and ParseAnimation.
enum SmdResult : int {
  kSmdRead = 0,
  kSmdHeaderRefused = 1,
  kSmdWrongKind = 2,
  // The file exceeds a fixed table (slots, materials), ends inside a block, or its path is too
  // long. The loaders show `diagnostic` (file, line, why) in an "Error" box.
  kSmdRefused = 3,
};

// Why the last file was refused: shown for our own refusals, kept for tools and tests.
struct SmdDiagnostic {
  // Result of the last load; -1 when the file could not be opened.
  int result = 0;
  // Line of the file where reading stopped (0 when no line applies).
  int line = 0;
  char reason[160] = {};
  // The system's error number when the file could not be opened (result -1), 0 otherwise.
  int systemError = 0;
};

struct SkinnedModel {
  IDirect3DDevice9* device = nullptr;
  char line[kSmdLineSize] = {};
  char token[kSmdNameSize] = {};
  int version = 0;
  int nodeCount = 0;
  int timeCount = 0;
  int materialCount = 0;
  int triangleCount = 0;
  char materialNames[kSmdMaxMaterials][kSmdNameSize] = {};
  // The folder of the last reference file, with its final separator; any length.
  std::string directory;
  int meshCount = 0;
  SmdMesh meshes[kSmdMaxMeshes];
  int clipCount = 0;
  int currentClip = 0;
  AnimationClip clips[kSmdMaxClips];
  SmdDiagnostic diagnostic;
  // The smallest frame number after "time" of the last file counted (-1: none): a clip's key
  // frames are stored from it on, so that one numbered from a later frame plays no empty frames.
  int firstFrameNumber = -1;
  // Read the weighted links of vertex lines into each mesh's link table, for skinning with them.
  bool readLinks = false;

  SkinnedModel() = default;
  SkinnedModel(const SkinnedModel&) = delete;
  SkinnedModel& operator=(const SkinnedModel&) = delete;
  ~SkinnedModel() = default;

  // Reference mesh loading: `path` spelled as the program spells it (backslashes), of any length.
  // True when the file was read into mesh slot `meshCount`.
  bool LoadReference(IDirect3DDevice9* device, const char* path);
  int ParseReference(FILE* file);
  bool ReadNodes(SmdLineSource& file);
  bool ReadBindPose(SmdLineSource& file);
  bool ReadTriangles(SmdLineSource& file);

  // Counting pass, shared by both loaders: each is called after its block's keyword line and
  // reads through the block's "end" line. False when the file ends first or a table would
  // overflow (`diagnostic` says which); the count pass then stops.
  bool CountNodes(SmdLineSource& file);
  bool CountFrames(SmdLineSource& file);
  bool CountTriangles(SmdLineSource& file);

  // Animation clip loading into slot `clipCount`.
  bool LoadAnimation(const char* path);
  int ParseAnimation(FILE* file);
  bool ReadAnimationNodes(SmdLineSource& file);
  bool ReadAnimationSkeleton(SmdLineSource& file);

  // Advances clip `clipIndex` (none when negative), blends its two current key frames into every
  // mesh's bones, skins every mesh and draws it one triangle per call.
  bool UpdateAndDraw(IDirect3DDevice9* device, int fillMode, int startFrame, int endFrame, float step,
                     int clipIndex, bool textured);

 private:
  using BlockReader = bool (SkinnedModel::*)(SmdLineSource&);
  using Parser = int (SkinnedModel::*)(FILE*);

  // What both loaders do around their parse: open the file ("the file cannot be opened", result
  // -1), parse it, close it, and show the box for a refusal.
  bool ReadFile(const char* path, Parser parse, const char* wrongKindMessage);
  // The header and the counting pass, from the counters reset; false when either refused the
  // file (`diagnostic` says why).
  bool CountFile(SmdLineSource& file);

  bool HeaderAccepted(SmdLineSource& file);
  // One pass over the rest of the file; a null reader skips its block kind line by line. False
  // when a reader refused the file.
  bool BlockLoop(SmdLineSource& file, BlockReader nodes, BlockReader skeleton, BlockReader triangles);
  void ResetCounters();
  // Sets `diagnostic` (the reason as printf formats it) and returns `result`.
  int Refuse(int result, int lineNumber, const char* format, ...) __attribute__((format(printf, 4, 5)));
  // The "Error" box for a kSmdRefused file: "<path>(<line>): <reason>".
  void ShowRefusal(const char* path) const;
  bool EndOfFileInBlock(const SmdLineSource& file, const char* block);
  // Refuses a block that counts more than `bound` of `what`, at the line that went past it.
  bool RefuseTableBound(const SmdLineSource& file, int bound, const char* what, const char* block);

  // The reference load's second thread while a load runs; null otherwise.
  HelperThread* loadHelper = nullptr;
};
