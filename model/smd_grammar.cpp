// The SMD grammar steps both loaders share: line and first-word reading, the header test, the
// block loop and the counting readers.
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <string>

#include "base/platform.h"
#include "model/skinned_model.h"
#include "model/smd_field_scan.h"
#include "model/smd_messages.h"

void SkinnedModel::ResetCounters() {
  firstFrameNumber = -1;
  nodeCount = 0;
  timeCount = 0;
  materialCount = 0;
  triangleCount = 0;
}

int SkinnedModel::Refuse(int result, int lineNumber, const char* format, ...) {
  diagnostic.result = result;
  diagnostic.line = lineNumber;
  std::va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(diagnostic.reason, sizeof diagnostic.reason, format, arguments);
  va_end(arguments);
  return result;
}

void SkinnedModel::ShowRefusal(const char* path) const {
  std::string text = path ? path : "";
  if (diagnostic.line > 0) text += "(" + std::to_string(diagnostic.line) + ")";
  text += std::string(": ") + diagnostic.reason;
  MessageBoxA(nullptr, text.c_str(), kSmdErrorCaption, MB_OK);
}

bool SkinnedModel::EndOfFileInBlock(const SmdLineSource& file, const char* block) {
  Refuse(kSmdRefused, file.lineNumber(), "the file ends inside the \"%s\" block (no \"end\" line)", block);
  return false;
}

bool SkinnedModel::ReadFile(const char* path, Parser parse, const char* wrongKindMessage) {
  errno = 0;
  FILE* file = path ? OpenFile(path, "rt") : nullptr;
  if (!file) {
    const int reason = path ? errno : EINVAL;
    Refuse(-1, 0, "the file cannot be opened");
    diagnostic.systemError = reason;
    return false;
  }
  const int result = (this->*parse)(file);
  std::fclose(file);
  if (result == kSmdHeaderRefused) MessageBoxA(nullptr, kSmdNotSmdMessage, kSmdErrorCaption, MB_OK);
  if (result == kSmdWrongKind) MessageBoxA(nullptr, wrongKindMessage, kSmdErrorCaption, MB_OK);
  if (result == kSmdRefused) ShowRefusal(path);
  return result == kSmdRead;
}

bool SkinnedModel::CountFile(SmdLineSource& file) {
  ResetCounters();
  if (!HeaderAccepted(file)) {
    Refuse(kSmdHeaderRefused, 1, "the first line is not \"version 1\"");
    return false;
  }
  return BlockLoop(file, &SkinnedModel::CountNodes, &SkinnedModel::CountFrames,
                   &SkinnedModel::CountTriangles);
}

bool SkinnedModel::HeaderAccepted(SmdLineSource& file) {
  if (!file.NextCopied()) return false;
  const char* p = line;
  if (!smd::ScanWord(p, token, sizeof token)) return false;
  int number = 0;
  if (!smd::ScanInt(p, number)) return false;
  version = number;
  return smd::IsKeyword(token, "version") && version == 1;
}

bool SkinnedModel::BlockLoop(SmdLineSource& file, BlockReader nodes, BlockReader skeleton,
                             BlockReader triangles) {
  while (file.NextCopied()) {
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

bool SkinnedModel::RefuseTableBound(const SmdLineSource& file, int bound, const char* what,
                                    const char* block) {
  Refuse(kSmdRefused, file.lineNumber(), "more than %d %s in the \"%s\" block", bound, what, block);
  return false;
}

bool SkinnedModel::CountNodes(SmdLineSource& file) {
  while (file.NextCopied()) {
    if (smd::IsKeyword(token, "end")) return true;
    if (nodeCount == kSmdMaxBones) return RefuseTableBound(file, kSmdMaxBones, "nodes", "nodes");
    ++nodeCount;
  }
  return EndOfFileInBlock(file, "nodes");
}

bool SkinnedModel::CountFrames(SmdLineSource& file) {
  SmdLine poseLine;
  // Pose lines start with their bone's number and are neither "time" nor "end".
  while (file.NextSkippingNumbers(&poseLine)) {
    if (smd::IsKeyword(token, "end")) return true;
    if (!smd::IsKeyword(token, "time")) continue;
    ++timeCount;
    // The smallest frame number written, from which the key frames are stored.
    file.Terminate(&poseLine);
    const char* p = poseLine.text;
    char word[kSmdNameSize];
    int number = 0;
    if (smd::ScanWord(p, word, sizeof word) && smd::ScanInt(p, number) && number >= 0 &&
        (firstFrameNumber < 0 || number < firstFrameNumber))
      firstFrameNumber = number;
  }
  return EndOfFileInBlock(file, "skeleton");
}

bool SkinnedModel::CountTriangles(SmdLineSource& file) {
  char lastMaterial[kSmdNameSize] = {};
  while (file.NextCopied()) {
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
      if (!file.Skip()) return EndOfFileInBlock(file, "triangles");
    ++triangleCount;
  }
  return EndOfFileInBlock(file, "triangles");
}
