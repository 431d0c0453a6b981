// Skinning with weighted links, as a job with explicit inputs: every corner's model-space position
// and normal moved by the weighted sum of its links' skinning matrices (bind-pose inverse times
// the frame's bone matrix), or by its parent column's alone where it has no link.
#pragma once

#include <cstddef>

#include "model/skin_vertex.h"
#include "model/smd_links.h"
#include "model/smd_mesh.h"

struct LinkSkinningJob {
  // The mesh's triangles: their parent columns and texture coordinates. Non-null when count > 0.
  const SmdTriangle* triangles = nullptr;
  int triangleCount = 0;
  // 3 * triangleCount entries, corner k of triangle t at 3t + k.
  const SmdCornerLinks* links = nullptr;
  // One skinning matrix per bone; links and parent columns outside 0 .. boneCount - 1 use the
  // identity.
  const D3DXMATRIX* skinning = nullptr;
  int boneCount = 0;
  // At least 3 * triangleCount vertices.
  SkinVertex* out = nullptr;
  size_t outCount = 0;

  bool Validate() const;
  // Validates, then writes every vertex; false, writing nothing, when the inputs do not hold.
  bool Run() const;
};

// The skinning matrices of the frame: bindInverses[b] · bones[b].combined for every bone.
void ComputeLinkSkinning(const SmdLinkTable& table, const SmdBone* bones, int boneCount);
