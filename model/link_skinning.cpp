// LinkSkinningJob: the weighted matrix of each corner, then its position and normal through it.
#include "model/link_skinning.h"

#include <cstdint>

#include "model/skin_corner.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

#if defined(__SSE2__)
struct Rows {
  __m128 r[4];
};

inline Rows Load(const D3DXMATRIX& m) {
  return Rows{{_mm_loadu_ps(m.m[0]), _mm_loadu_ps(m.m[1]), _mm_loadu_ps(m.m[2]), _mm_loadu_ps(m.m[3])}};
}

inline void AddScaled(Rows& sum, const D3DXMATRIX& m, float weight) {
  const __m128 w = _mm_set1_ps(weight);
  for (int k = 0; k < 4; ++k) sum.r[k] = _mm_add_ps(sum.r[k], _mm_mul_ps(w, _mm_loadu_ps(m.m[k])));
}

inline Rows Scaled(const D3DXMATRIX& m, float weight) {
  const __m128 w = _mm_set1_ps(weight);
  return Rows{{_mm_mul_ps(w, _mm_loadu_ps(m.m[0])), _mm_mul_ps(w, _mm_loadu_ps(m.m[1])),
               _mm_mul_ps(w, _mm_loadu_ps(m.m[2])), _mm_mul_ps(w, _mm_loadu_ps(m.m[3]))}};
}

// The vertex goes out as parent-column skinning writes it (smd::StoreVertexSse).
template <bool kStreamed>
inline void Write(const Rows& m, const SmdCornerLinks& links, const SmdTriangle& triangle, int k,
                  SkinVertex& out) {
  const D3DXVECTOR3& p = links.position;
  const D3DXVECTOR3& n = links.normal;
  const __m128 position =
      _mm_add_ps(_mm_add_ps(_mm_mul_ps(_mm_set1_ps(p.x), m.r[0]), _mm_mul_ps(_mm_set1_ps(p.y), m.r[1])),
                 _mm_add_ps(_mm_mul_ps(_mm_set1_ps(p.z), m.r[2]), m.r[3]));
  const __m128 normal =
      _mm_add_ps(_mm_add_ps(_mm_mul_ps(_mm_set1_ps(n.x), m.r[0]), _mm_mul_ps(_mm_set1_ps(n.y), m.r[1])),
                 _mm_mul_ps(_mm_set1_ps(n.z), m.r[2]));
  smd::StoreVertexSse<kStreamed>(position, normal, &triangle.corners[k].u, out);
}
#else
struct Rows {
  float r[4][4];
};

inline Rows Load(const D3DXMATRIX& m) {
  Rows rows;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) rows.r[i][j] = m.m[i][j];
  return rows;
}

inline void AddScaled(Rows& sum, const D3DXMATRIX& m, float weight) {
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) sum.r[i][j] += weight * m.m[i][j];
}

inline Rows Scaled(const D3DXMATRIX& m, float weight) {
  Rows rows{};
  AddScaled(rows, m, weight);
  return rows;
}

template <bool kStreamed>
inline void Write(const Rows& m, const SmdCornerLinks& links, const SmdTriangle& triangle, int k,
                  SkinVertex& out) {
  const D3DXVECTOR3& p = links.position;
  const D3DXVECTOR3& n = links.normal;
  float a[3], b[3];
  for (int j = 0; j < 3; ++j) {
    a[j] = p.x * m.r[0][j] + p.y * m.r[1][j] + p.z * m.r[2][j] + m.r[3][j];
    b[j] = n.x * m.r[0][j] + n.y * m.r[1][j] + n.z * m.r[2][j];
  }
  out.position = D3DXVECTOR3(a[0], a[1], a[2]);
  out.normal = D3DXVECTOR3(b[0], b[1], b[2]);
  out.u = triangle.corners[k].u;
  out.v = triangle.corners[k].v;
}
#endif

}  // namespace

bool LinkSkinningJob::Validate() const {
  if (triangleCount < 0 || boneCount < 0) return false;
  if (triangleCount == 0) return true;
  if (!triangles || !links || !out) return false;
  if (boneCount > 0 && !skinning) return false;
  return outCount >= 3 * static_cast<size_t>(triangleCount);
}

namespace {

template <bool kStreamed>
void SkinAll(const LinkSkinningJob& job) {
  const auto matrix = [&](int b) -> const D3DXMATRIX& {
    return b >= 0 && b < job.boneCount ? job.skinning[b] : kIdentityMatrix;
  };
  for (int t = 0; t < job.triangleCount; ++t) {
    const SmdTriangle& triangle = job.triangles[t];
    for (int k = 0; k < 3; ++k) {
      const SmdCornerLinks& corner = job.links[3 * t + k];
      Rows m;
      if (corner.count <= 0) {
        m = Load(matrix(triangle.bones[k]));
      } else {
        m = Scaled(matrix(corner.bones[0]), corner.weights[0]);
        for (int i = 1; i < corner.count && i < SmdCornerLinks::kMaxLinks; ++i)
          AddScaled(m, matrix(corner.bones[i]), corner.weights[i]);
      }
      Write<kStreamed>(m, corner, triangle, k, job.out[3 * t + k]);
    }
  }
#if defined(__SSE2__)
  if (kStreamed) _mm_sfence();
#endif
}

}  // namespace

bool LinkSkinningJob::Run() const {
  if (!Validate()) return false;
  if (reinterpret_cast<uintptr_t>(out) % 16 == 0) {
    SkinAll<true>(*this);
  } else {
    SkinAll<false>(*this);
  }
  return true;
}

void ComputeLinkSkinning(const SmdLinkTable& table, const SmdBone* bones, int boneCount) {
  const int count = boneCount < table.boneCount ? boneCount : table.boneCount;
  for (int b = 0; b < count; ++b)
    D3DXMatrixMultiply(&table.skinning[b], &table.bindInverses[b], &bones[b].combined);
}

bool SmdMesh::SkinMeshWithLinks() {
  if (!vertexBuffer || !links || !links->corners) return false;
  ComputeLinkSkinning(*links, bones, bones ? boneCount : 0);
  void* data = nullptr;
  if (FAILED(vertexBuffer->Lock(0, 0, &data, 0)) || !data) return false;
  LinkSkinningJob job;
  job.triangles = triangles;
  job.triangleCount = triangles ? triangleCount : 0;
  job.links = links->corners;
  job.skinning = links->skinning;
  job.boneCount = bones && boneCount < links->boneCount ? boneCount : links->boneCount;
  job.out = static_cast<SkinVertex*>(data);
  job.outCount = static_cast<size_t>(job.triangleCount) * 3;
  const bool skinned = job.Run();
  vertexBuffer->Unlock();
  return skinned;
}
