// Weighted links of a vertex line: after "u v", many exporters write a link count and that many
// pairs of bone index and weight, and some bind every vertex's parent column to a root bone and
// name the real bones only there. Read only when the model is asked to skin with links; the
// parent-column skinning of the mesh stays as it is otherwise.
#pragma once

#include <cstddef>

#include "base/math.h"

// A corner's links: the largest weights (at most kMaxLinks), renormalised to sum 1, and its
// position and normal as the file gives them (model space). No link: the parent column alone.
struct SmdCornerLinks {
  static constexpr int kMaxLinks = 4;
  int count = 0;
  int bones[kMaxLinks] = {};
  float weights[kMaxLinks] = {};
  D3DXVECTOR3 position;
  D3DXVECTOR3 normal;
};

// What links skinning needs beside the mesh: one entry per corner (3 per triangle, in the mesh's
// corner order), and per bone the inverse of its bind-pose matrix and the frame's skinning matrix.
// Sized once at load; playing allocates nothing.
struct SmdLinkTable {
  int cornerCount = 0;
  SmdCornerLinks* corners = nullptr;
  int boneCount = 0;
  D3DXMATRIX* bindInverses = nullptr;
  D3DXMATRIX* skinning = nullptr;

  SmdLinkTable() = default;
  SmdLinkTable(const SmdLinkTable&) = delete;
  SmdLinkTable& operator=(const SmdLinkTable&) = delete;
  ~SmdLinkTable();
  // False, holding nothing, when memory runs out.
  bool Allocate(int corners, int bones);
};

namespace smd {

// The links after the ninth number of a vertex line (`text` zero-terminated). Links naming a bone
// outside 0 .. boneCount - 1, or a weight that is not a positive finite number, are left out.
void ScanLinks(const char* text, int boneCount, SmdCornerLinks& links);

}  // namespace smd
