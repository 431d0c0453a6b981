// The SMD grammar steps both loaders share: line and first-word reading, the header test, the
// block loop and the counting readers.
#include <cstring>

#include "model/skinned_model.h"
#include "model/smd_line_scan.h"
#include "model/smd_messages.h"
#include "model/smd_scan.h"
#include "base/platform.h"

bool SkinnedModel::NextLine(SmdReader& file) {
  if (!file.ReadLine(line, sizeof line)) return false;
  const char* p = line;
  smd::ScanWord(p, token, sizeof token);
  return true;
}

bool SkinnedModel::NextLineInPlace(SmdReader& file, const char*& text, size_t& length) {
  static_assert(sizeof line >= smd::kPlainLineReadable);
  text = file.PeekLine(sizeof line, smd::kPlainLineReadable, &length);
  if (!text) {
    if (!NextLine(file)) return false;
    text = line;
    length = file.lastLength();
    return true;
  }
  file.Consume(length);
  // The first word as NextLine takes it. What follows the line in the buffer is not part of it,
  // so the white space before the word is only skipped up to the line's end; the word itself
  // ends at the line's '\n' at the latest.
  const char* p = text;
  const char* end = text + length;
  while (p < end && smd::IsSpace(*p)) ++p;
  if (p < end) smd::ScanWord(p, token, sizeof token);
  return true;
}

void SkinnedModel::ResetCounters() {
  nodeCount = 0;
  timeCount = 0;
  materialCount = 0;
  triangleCount = 0;
}

int SkinnedModel::Refuse(int result, int lineNumber, const char* reason) {
  diagnostic.result = result;
  diagnostic.line = lineNumber;
  std::snprintf(diagnostic.reason, sizeof diagnostic.reason, "%s", reason);
  return result;
}

void SkinnedModel::ShowRefusal(const char* path) const {
  char text[sizeof diagnostic.reason + kSmdDirectorySize + 32];
  if (diagnostic.line > 0) {
    std::snprintf(text, sizeof text, "%.127s(%d): %s", path ? path : "", diagnostic.line, diagnostic.reason);
  } else {
    std::snprintf(text, sizeof text, "%.127s: %s", path ? path : "", diagnostic.reason);
  }
  MessageBoxA(nullptr, text, kSmdErrorCaption, MB_OK);
}

bool SkinnedModel::EndOfFileInBlock(const SmdReader& file, const char* block) {
  char reason[sizeof diagnostic.reason];
  std::snprintf(reason, sizeof reason, "the file ends inside the \"%s\" block (no \"end\" line)", block);
  Refuse(kSmdRefused, file.lineNumber(), reason);
  return false;
}

bool SkinnedModel::HeaderAccepted(SmdReader& file) {
  if (!file.ReadLine(line, sizeof line)) return false;
  const char* p = line;
  if (!smd::ScanWord(p, token, sizeof token)) return false;
  int number = 0;
  if (!smd::ScanInt(p, number)) return false;
  version = number;
  return smd::IsKeyword(token, "version") && version == 1;
}

bool SkinnedModel::BlockLoop(SmdReader& file, BlockReader nodes, BlockReader skeleton,
                             BlockReader triangles) {
  while (NextLine(file)) {
    BlockReader reader = nullptr;
    if (smd::IsKeyword(token, "nodes")) {
      reader = nodes;
    } else if (smd::IsKeyword(token, "skeleton")) {
      reader = skeleton;
    } else if (smd::IsKeyword(token, "triangles")) {
      reader = triangles;
    }
    if (reader && !(this->*reader)(file)) return false;
  }
  return true;
}

bool SkinnedModel::RefuseTableBound(const SmdReader& file, int bound, const char* what, const char* block) {
  char reason[sizeof diagnostic.reason];
  std::snprintf(reason, sizeof reason, "more than %d %s in the \"%s\" block", bound, what, block);
  Refuse(kSmdRefused, file.lineNumber(), reason);
  return false;
}

bool SkinnedModel::CountNodes(SmdReader& file) {
  while (NextLine(file)) {
    if (smd::IsKeyword(token, "end")) return true;
    if (nodeCount == kSmdMaxBones) return RefuseTableBound(file, kSmdMaxBones, "nodes", "nodes");
    ++nodeCount;
  }
  return EndOfFileInBlock(file, "nodes");
}

bool SkinnedModel::CountFrames(SmdReader& file) {
  const char* text = nullptr;
  size_t length = 0;
  while (NextLineInPlace(file, text, length)) {
    if (smd::IsKeyword(token, "end")) return true;
    if (smd::IsKeyword(token, "time")) ++timeCount;
  }
  return EndOfFileInBlock(file, "skeleton");
}

bool SkinnedModel::CountTriangles(SmdReader& file) {
  char lastMaterial[kSmdNameSize] = {};
  while (NextLine(file)) {
    if (smd::IsKeyword(token, "end")) return true;
    if (!smd::SameName(token, lastMaterial)) {
      if (materialCount == kSmdMaxMaterials)
        return RefuseTableBound(file, kSmdMaxMaterials, "material changes", "triangles");
      std::memcpy(lastMaterial, token, sizeof lastMaterial);
      std::memcpy(materialNames[materialCount], token, kSmdNameSize);
      ++materialCount;
    }
    if (triangleCount == kSmdMaxTriangles)
      return RefuseTableBound(file, kSmdMaxTriangles, "triangles", "triangles");
    // Vertex lines are only counted, not scanned, so they are skipped without a copy.
    for (int k = 0; k < 3; ++k)
      if (!file.SkipLine(sizeof line)) return EndOfFileInBlock(file, "triangles");
    ++triangleCount;
  }
  return EndOfFileInBlock(file, "triangles");
}
