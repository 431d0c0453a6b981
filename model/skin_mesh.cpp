// CPU skinning: every triangle corner moved by its one bone's model-space matrix into the mesh's
// vertex buffer. The arithmetic is that of D3DXVec3TransformCoord / TransformNormal, written out
// so the loop has no call and no data-dependent branch per corner.
#include "model/smd_mesh.h"

namespace {

const D3DXMATRIX& Identity() {
  static const D3DXMATRIX identity = [] {
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    return m;
  }();
  return identity;
}

// Same operations in the same order as D3DXVec3TransformCoord / TransformNormal, column by column
// so the compiler can do the four columns at once. Dividing by w = 1 is exact, so dividing always
// gives the platform function's result without its test of w.
inline void SkinCorner(const SkinVertex& in, const D3DXMATRIX& m, SkinVertex& out) {
  const float x = in.position.x, y = in.position.y, z = in.position.z;
  const float nx = in.normal.x, ny = in.normal.y, nz = in.normal.z;
  float r[4], n[4];
  for (int c = 0; c < 4; ++c) {
    r[c] = x * m.m[0][c] + y * m.m[1][c] + z * m.m[2][c] + m.m[3][c];
    n[c] = nx * m.m[0][c] + ny * m.m[1][c] + nz * m.m[2][c];
  }
  out.position.x = r[0] / r[3];
  out.position.y = r[1] / r[3];
  out.position.z = r[2] / r[3];
  out.normal.x = n[0];
  out.normal.y = n[1];
  out.normal.z = n[2];
  out.u = in.u;
  out.v = in.v;
}

}  // namespace

bool SmdMesh::SkinMesh() {
  if (!vertexBuffer) return false;
  void* data = nullptr;
  if (FAILED(vertexBuffer->Lock(0, 0, &data, 0)) || !data) return false;
  auto* out = static_cast<SkinVertex*>(data);
  const D3DXMATRIX& identity = Identity();
  // A corner whose bone index lies outside the table keeps its stored (model-space) position.
  const unsigned tableSize = bones ? static_cast<unsigned>(boneCount) : 0u;
  const int count = triangles ? triangleCount : 0;
  for (int t = 0; t < count; ++t) {
    const SmdTriangle& triangle = triangles[t];
    for (int k = 0; k < 3; ++k) {
      const unsigned b = static_cast<unsigned>(triangle.bones[k]);
      const D3DXMATRIX& m = b < tableSize ? bones[b].combined : identity;
      SkinCorner(triangle.corners[k], m, out[3 * t + k]);
    }
  }
  vertexBuffer->Unlock();
  return true;
}
