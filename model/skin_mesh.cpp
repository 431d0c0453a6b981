// CPU skinning: every triangle corner moved by its one bone's model-space matrix into the mesh's
// vertex buffer. The arithmetic is that of D3DXVec3TransformCoord / TransformNormal, written out
// so the loop has no call and no data-dependent branch per corner.
#include <cstdint>

#include "model/skin_corner.h"
#include "model/smd_mesh.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

const D3DXMATRIX& Identity() {
  static const D3DXMATRIX identity = [] {
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    return m;
  }();
  return identity;
}

template <bool kStreamed>
void SkinAll(const SmdTriangle* triangles, int count, const SmdBone* bones, unsigned tableSize,
             SkinVertex* out) {
  const D3DXMATRIX& identity = Identity();
  for (int t = 0; t < count; ++t) {
    const SmdTriangle& triangle = triangles[t];
    for (int k = 0; k < 3; ++k) {
      const unsigned b = static_cast<unsigned>(triangle.bones[k]);
      const D3DXMATRIX& m = b < tableSize ? bones[b].combined : identity;
#if defined(__SSE2__)
      smd::SkinCornerSse<kStreamed>(triangle.corners[k], m, out[3 * t + k]);
#else
      smd::SkinCorner(triangle.corners[k], m, out[3 * t + k]);
#endif
    }
  }
#if defined(__SSE2__)
  if (kStreamed) _mm_sfence();
#endif
}

}  // namespace

bool SmdMesh::SkinMesh() {
  if (!vertexBuffer) return false;
  void* data = nullptr;
  if (FAILED(vertexBuffer->Lock(0, 0, &data, 0)) || !data) return false;
  auto* out = static_cast<SkinVertex*>(data);
  // A corner whose bone index lies outside the table keeps its stored (model-space) position.
  const unsigned tableSize = bones ? static_cast<unsigned>(boneCount) : 0u;
  const int count = triangles ? triangleCount : 0;
  if (reinterpret_cast<uintptr_t>(out) % 16 == 0) {
    SkinAll<true>(triangles, count, bones, tableSize, out);
  } else {
    SkinAll<false>(triangles, count, bones, tableSize, out);
  }
  vertexBuffer->Unlock();
  return true;
}
