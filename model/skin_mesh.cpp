// SmdMesh::SkinMesh: the mesh's tables and its locked vertex buffer handed to a SkinningJob.
#include "model/skinning_job.h"
#include "model/smd_mesh.h"

bool SmdMesh::SkinMesh() {
  if (!vertexBuffer) return false;
  void* data = nullptr;
  if (FAILED(vertexBuffer->Lock(0, 0, &data, 0)) || !data) return false;
  // A missing table is an empty one: its corners keep their stored (model-space) positions.
  const size_t count = triangles && triangleCount > 0 ? static_cast<size_t>(triangleCount) : 0;
  SkinningJob job;
  job.triangles = {triangles, count};
  job.bones = {bones, bones && boneCount > 0 ? static_cast<size_t>(boneCount) : 0};
  // The loader creates the buffer with three vertices per triangle of the table.
  job.vertices = {static_cast<SkinVertex*>(data), 3 * count};
  const bool skinned = job.Run();
  vertexBuffer->Unlock();
  return skinned;
}
