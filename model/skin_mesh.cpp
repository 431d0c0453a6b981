// CPU skinning: every triangle corner moved by its one bone's model-space matrix into the mesh's
// vertex buffer. The arithmetic is that of D3DXVec3TransformCoord / TransformNormal, written out
// so the loop has no call and no data-dependent branch per corner.
#include <cstring>

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

// Same operations in the same order as D3DXVec3TransformCoord. Dividing by w = 1 is exact, so
// dividing always gives the platform function's result without its test of w.
inline void SkinCorner(const SkinVertex& in, const D3DXMATRIX& m, SkinVertex& out) {
  const float x = in.position.x, y = in.position.y, z = in.position.z;
  const float rx = x * m.m[0][0] + y * m.m[1][0] + z * m.m[2][0] + m.m[3][0];
  const float ry = x * m.m[0][1] + y * m.m[1][1] + z * m.m[2][1] + m.m[3][1];
  const float rz = x * m.m[0][2] + y * m.m[1][2] + z * m.m[2][2] + m.m[3][2];
  const float rw = x * m.m[0][3] + y * m.m[1][3] + z * m.m[2][3] + m.m[3][3];
  const float nx = in.normal.x, ny = in.normal.y, nz = in.normal.z;
  SkinVertex v;
  v.position = D3DXVECTOR3(rx / rw, ry / rw, rz / rw);
  v.normal = D3DXVECTOR3(nx * m.m[0][0] + ny * m.m[1][0] + nz * m.m[2][0],
                         nx * m.m[0][1] + ny * m.m[1][1] + nz * m.m[2][1],
                         nx * m.m[0][2] + ny * m.m[1][2] + nz * m.m[2][2]);
  v.u = in.u;
  v.v = in.v;
  std::memcpy(&out, &v, sizeof v);
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
