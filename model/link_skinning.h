// Skinning with weighted links, as a job with explicit inputs: every corner's model-space position
// and normal moved by the weighted sum of its links' skinning matrices (bind-pose inverse times
// the frame's bone matrix), or by its parent column's alone where it has no link.
#pragma once

#include <cstddef>

#include "model/job_span.h"
#include "model/skin_vertex.h"
#include "model/smd_links.h"
#include "model/smd_mesh.h"

struct LinkSkinningJob {
  // The mesh's triangles: their parent columns and texture coordinates. Non-null when not empty.
  JobSpan<const SmdTriangle> triangles;
  // At least 3 × triangles.size entries, corner k of triangle t at 3t + k. Non-null when not empty.
  JobSpan<const SmdCornerLinks> links;
  // One skinning matrix per bone; links and parent columns outside 0 .. skinning.size - 1 use the
  // identity. Non-null when not empty.
  JobSpan<const D3DXMATRIX> skinning;
  // Corner k of triangle t goes to vertices[3t + k]. At least 3 × triangles.size vertices, non-null
  // when not empty, aligned for SkinVertex and sharing no byte with the inputs.
  JobSpan<SkinVertex> vertices;

  bool Validate() const;
  // Validates, then writes every vertex; false, writing nothing, when the inputs do not hold.
  bool Run() const;
};

// The skinning matrices of the frame: skinning[b] = bindInverses[b] · bones[b].combined for every
// b below all three sizes; the rest of `skinning` is left alone.
struct LinkMatricesJob {
  JobSpan<const D3DXMATRIX> bindInverses;
  JobSpan<const SmdBone> bones;
  // Sharing no byte with the inputs.
  JobSpan<D3DXMATRIX> skinning;

  bool Validate() const;
  bool Run() const;
};
