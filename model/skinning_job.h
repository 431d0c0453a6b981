// Skinning as a job on explicit inputs: every triangle corner moved by its one bone's `combined`
// matrix into a run of vertices. SmdMesh::SkinMesh runs it on its tables and its locked vertex
// buffer; tests run it on plain arrays.
#pragma once

#include "model/job_span.h"
#include "model/skin_vertex.h"
#include "model/smd_mesh.h"

struct SkinningJob {
  // The triangles, as SmdMesh holds them: corners in their bones' space and a bone index per
  // corner. Non-null when not empty.
  JobSpan<const SmdTriangle> triangles;
  // The bone table. A corner whose index b lies in [0, bones.size) moves by bones[b].combined;
  // any other index leaves it as stored (model space). Non-null when not empty.
  JobSpan<const SmdBone> bones;
  // Corner k of triangle t goes to vertices[3 t + k]; the vertices past 3 × triangles.size are
  // left alone. At least 3 × triangles.size vertices, non-null when not empty, aligned for
  // SkinVertex (4 bytes) and sharing no byte with the triangles or the bones. Output on a 16-byte
  // boundary is written with streaming stores, other output with plain ones.
  JobSpan<SkinVertex> vertices;

  // Whether every precondition above holds.
  bool Validate() const;
  // Validates, then skins. False, with nothing written, when Validate() is.
  bool Run() const;
};
