// The skinning loop. Each corner's arithmetic is that of D3DXVec3TransformCoord / TransformNormal,
// written out (skin_corner.h) so the loop has no call and no data-dependent branch per corner.
#include "model/skinning_job.h"

#include <climits>
#include <cstdint>

#include "model/skin_corner.h"
#include "model/skinning_kernel.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

template <bool kStreamed, bool kSse>
void SkinAll(const SmdTriangle* triangles, size_t count, const SmdBone* bones, unsigned tableSize,
             SkinVertex* out) {
  const D3DXMATRIX& identity = kIdentityMatrix;
  for (size_t t = 0; t < count; ++t) {
    const SmdTriangle& triangle = triangles[t];
    for (int k = 0; k < 3; ++k) {
      const unsigned b = static_cast<unsigned>(triangle.bones[k]);
      const D3DXMATRIX& m = b < tableSize ? bones[b].combined : identity;
#if defined(__SSE2__)
      if constexpr (kSse) {
        smd::SkinCornerSse<kStreamed>(triangle.corners[k], m, out[3 * t + k]);
        continue;
      }
#endif
      smd::SkinCorner(triangle.corners[k], m, out[3 * t + k]);
    }
  }
#if defined(__SSE2__)
  if (kStreamed && kSse) _mm_sfence();
#endif
}

template <bool kSse>
void SkinAll(const SkinningJob& job, unsigned tableSize) {
  if (reinterpret_cast<uintptr_t>(job.vertices.data) % 16 == 0) {
    SkinAll<true, kSse>(job.triangles.data, job.triangles.size, job.bones.data, tableSize, job.vertices.data);
  } else {
    SkinAll<false, kSse>(job.triangles.data, job.triangles.size, job.bones.data, tableSize,
                         job.vertices.data);
  }
}

}  // namespace

bool SkinningJob::Validate() const {
  if (!Addressable(triangles) || !Addressable(bones) || !Addressable(vertices)) return false;
  if (triangles.size > vertices.size / 3) return false;
  if (reinterpret_cast<uintptr_t>(vertices.data) % alignof(SkinVertex) != 0) return false;
  return !Overlap(vertices, triangles) && !Overlap(vertices, bones);
}

bool SkinningJob::Run() const {
  if (!Validate()) return false;
  // Bone indices are ints, so no entry past INT_MAX can be named, and a negative index, read as
  // unsigned, lies past every table that can be named whole.
  const unsigned tableSize = bones.size < INT_MAX ? static_cast<unsigned>(bones.size) : INT_MAX;
  if (ActiveSkinningKernel() == SkinningKernel::kSse2) {
    SkinAll<true>(*this, tableSize);
  } else {
    SkinAll<false>(*this, tableSize);
  }
  return true;
}
