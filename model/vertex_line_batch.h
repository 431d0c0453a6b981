// The vertex lines of a reference file's triangles block, scanned on one thread or two. On two,
// the lines that lie in the line source's buffer are kept and scanned together, half by a helper
// thread, before the buffer is refilled; or, where the source reads through two blocks in turn,
// by the helper while the caller splits the next block's lines. A line the source had to copy is
// scanned at once. Each corner is read from its own line alone, so the results are the same bits
// on either thread.
#pragma once

#include <cstddef>
#include <cstdint>

#include "model/smd_line_source.h"

class HelperThread;
struct SmdMesh;

class VertexLineBatch {
 public:
  // `helper` null: every line is scanned as it is added.
  VertexLineBatch(SmdMesh* mesh, HelperThread* helper);
  VertexLineBatch(const VertexLineBatch&) = delete;
  VertexLineBatch& operator=(const VertexLineBatch&) = delete;
  ~VertexLineBatch();

  // The vertex line of corner k of triangle t (within the mesh's table); `inPlace`: the line
  // stays where it lies until the next Flush.
  void Add(const SmdLine& line, int t, int k, bool inPlace);
  // Hands the lines kept to the helper, once the lines handed before are scanned, and returns:
  // they are scanned while the caller goes on. They must lie where they are until the next Pass
  // or Flush returns.
  void Pass();
  // Scans every line kept or handed. Must run before the lines kept are overwritten.
  void Flush();

 private:
  struct Kept {
    const char* text;
    uint32_t length;
    int corner;
  };
  static constexpr size_t kCapacity = 32768;
  static constexpr size_t kLinesPerPart = 256;

  static void ScanPart(void* batch, size_t part);
  void Scan(const SmdLine& line, int corner);

  SmdMesh* mesh_;
  HelperThread* helper_;
  // Two lists of kCapacity lines: one filled by Add, the other handed to the helper.
  Kept* lists_ = nullptr;
  Kept* kept_ = nullptr;
  size_t keptCount_ = 0;
  const Kept* handed_ = nullptr;
  size_t handedCount_ = 0;
};
