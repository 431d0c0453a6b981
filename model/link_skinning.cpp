// LinkSkinningJob: the weighted matrix of each corner, then its position and normal through it.
#include "model/link_skinning.h"

#include <cstdint>

#include "model/skin_corner.h"
#include "model/skinning_kernel.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

#if defined(__SSE2__)
struct SseKernel {
  struct Rows {
    __m128 r[4];
  };

  static Rows Load(const D3DXMATRIX& m) {
    return Rows{{_mm_loadu_ps(m.m[0]), _mm_loadu_ps(m.m[1]), _mm_loadu_ps(m.m[2]), _mm_loadu_ps(m.m[3])}};
  }

  static void AddScaled(Rows& sum, const D3DXMATRIX& m, float weight) {
    const __m128 w = _mm_set1_ps(weight);
    for (int k = 0; k < 4; ++k) sum.r[k] = _mm_add_ps(sum.r[k], _mm_mul_ps(w, _mm_loadu_ps(m.m[k])));
  }

  static Rows Scaled(const D3DXMATRIX& m, float weight) {
    const __m128 w = _mm_set1_ps(weight);
    return Rows{{_mm_mul_ps(w, _mm_loadu_ps(m.m[0])), _mm_mul_ps(w, _mm_loadu_ps(m.m[1])),
                 _mm_mul_ps(w, _mm_loadu_ps(m.m[2])), _mm_mul_ps(w, _mm_loadu_ps(m.m[3]))}};
  }

  // The vertex goes out as parent-column skinning writes it (smd::StoreVertexSse).
  template <bool kStreamed>
  static void Write(const Rows& m, const SmdCornerLinks& links, const SkinVertex& corner, SkinVertex& out) {
    const D3DXVECTOR3& p = links.position;
    const D3DXVECTOR3& n = links.normal;
    const __m128 position =
        _mm_add_ps(_mm_add_ps(_mm_mul_ps(_mm_set1_ps(p.x), m.r[0]), _mm_mul_ps(_mm_set1_ps(p.y), m.r[1])),
                   _mm_add_ps(_mm_mul_ps(_mm_set1_ps(p.z), m.r[2]), m.r[3]));
    const __m128 normal =
        _mm_add_ps(_mm_add_ps(_mm_mul_ps(_mm_set1_ps(n.x), m.r[0]), _mm_mul_ps(_mm_set1_ps(n.y), m.r[1])),
                   _mm_mul_ps(_mm_set1_ps(n.z), m.r[2]));
    smd::StoreVertexSse<kStreamed>(position, normal, &corner.u, out);
  }

  static void Fence() { _mm_sfence(); }
};
#endif

// The SSE kernel's operations one lane at a time, in its order, so both give the same bits.
struct GenericKernel {
  struct Rows {
    float r[4][4];
  };

  static Rows Load(const D3DXMATRIX& m) {
    Rows rows;
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j) rows.r[i][j] = m.m[i][j];
    return rows;
  }

  static void AddScaled(Rows& sum, const D3DXMATRIX& m, float weight) {
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j) sum.r[i][j] += weight * m.m[i][j];
  }

  static Rows Scaled(const D3DXMATRIX& m, float weight) {
    Rows rows;
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j) rows.r[i][j] = weight * m.m[i][j];
    return rows;
  }

  template <bool kStreamed>
  static void Write(const Rows& m, const SmdCornerLinks& links, const SkinVertex& corner, SkinVertex& out) {
    const D3DXVECTOR3& p = links.position;
    const D3DXVECTOR3& n = links.normal;
    float a[3], b[3];
    for (int j = 0; j < 3; ++j) {
      a[j] = (p.x * m.r[0][j] + p.y * m.r[1][j]) + (p.z * m.r[2][j] + m.r[3][j]);
      b[j] = (n.x * m.r[0][j] + n.y * m.r[1][j]) + n.z * m.r[2][j];
    }
    out.position = D3DXVECTOR3(a[0], a[1], a[2]);
    out.normal = D3DXVECTOR3(b[0], b[1], b[2]);
    out.u = corner.u;
    out.v = corner.v;
  }

  static void Fence() {}
};

template <typename Kernel, bool kStreamed>
void SkinAll(const LinkSkinningJob& job) {
  const auto matrix = [&](int b) -> const D3DXMATRIX& {
    return b >= 0 && static_cast<size_t>(b) < job.skinning.size ? job.skinning.data[b] : kIdentityMatrix;
  };
  for (size_t t = 0; t < job.triangles.size; ++t) {
    const SmdTriangle& triangle = job.triangles.data[t];
    for (int k = 0; k < 3; ++k) {
      const SmdCornerLinks& corner = job.links.data[3 * t + k];
      typename Kernel::Rows m;
      if (corner.count <= 0) {
        m = Kernel::Load(matrix(triangle.bones[k]));
      } else {
        m = Kernel::Scaled(matrix(corner.bones[0]), corner.weights[0]);
        for (int i = 1; i < corner.count && i < SmdCornerLinks::kMaxLinks; ++i)
          Kernel::AddScaled(m, matrix(corner.bones[i]), corner.weights[i]);
      }
      Kernel::template Write<kStreamed>(m, corner, triangle.corners[k], job.vertices.data[3 * t + k]);
    }
  }
  if (kStreamed) Kernel::Fence();
}

template <typename Kernel>
void SkinAll(const LinkSkinningJob& job) {
  if (reinterpret_cast<uintptr_t>(job.vertices.data) % 16 == 0) {
    SkinAll<Kernel, true>(job);
  } else {
    SkinAll<Kernel, false>(job);
  }
}

}  // namespace

bool LinkSkinningJob::Validate() const {
  if (!Addressable(triangles) || !Addressable(links) || !Addressable(skinning) || !Addressable(vertices))
    return false;
  if (links.size / 3 < triangles.size || vertices.size / 3 < triangles.size) return false;
  if (reinterpret_cast<uintptr_t>(vertices.data) % alignof(SkinVertex) != 0) return false;
  return !Overlap(vertices, triangles) && !Overlap(vertices, links) && !Overlap(vertices, skinning);
}

bool LinkSkinningJob::Run() const {
  if (!Validate()) return false;
#if defined(__SSE2__)
  if (ActiveSkinningKernel() == SkinningKernel::kSse2) {
    SkinAll<SseKernel>(*this);
    return true;
  }
#endif
  SkinAll<GenericKernel>(*this);
  return true;
}

bool LinkMatricesJob::Validate() const {
  if (!Addressable(bindInverses) || !Addressable(bones) || !Addressable(skinning)) return false;
  return !Overlap(skinning, bindInverses) && !Overlap(skinning, bones);
}

bool LinkMatricesJob::Run() const {
  if (!Validate()) return false;
  size_t count = bindInverses.size < bones.size ? bindInverses.size : bones.size;
  if (skinning.size < count) count = skinning.size;
  for (size_t b = 0; b < count; ++b)
    D3DXMatrixMultiply(&skinning.data[b], &bindInverses.data[b], &bones.data[b].combined);
  return true;
}

bool SmdMesh::SkinMeshWithLinks() {
  if (!vertexBuffer || !links || !links->corners) return false;
  const size_t tableBones = static_cast<size_t>(links->boneCount);
  const size_t meshBones = bones ? static_cast<size_t>(boneCount) : 0;
  const size_t usedBones = meshBones < tableBones ? meshBones : tableBones;
  LinkMatricesJob matrices{
      {links->bindInverses, tableBones}, {bones, meshBones}, {links->skinning, tableBones}};
  if (!matrices.Run()) return false;
  void* data = nullptr;
  if (FAILED(vertexBuffer->Lock(0, 0, &data, 0)) || !data) return false;
  const size_t triangleTotal = triangles ? static_cast<size_t>(triangleCount) : 0;
  LinkSkinningJob job;
  job.triangles = {triangles, triangleTotal};
  job.links = {links->corners, static_cast<size_t>(links->cornerCount)};
  job.skinning = {links->skinning, usedBones};
  job.vertices = {static_cast<SkinVertex*>(data), triangleTotal * 3};
  const bool skinned = job.Run();
  vertexBuffer->Unlock();
  return skinned;
}
