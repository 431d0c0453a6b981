// One corner moved by one matrix: its position as D3DXVec3TransformCoord moves it, its normal as
// D3DXVec3TransformNormal does, to the bit, written out so that loops over corners make no call.
// Shared by skinning and by loading, which moves corners into their bones' space.
#pragma once

#include "base/math.h"
#include "model/skin_vertex.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace smd {

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

#if defined(__SSE2__)
// Writes a vertex from the lanes x y z of `position` and `normal` and the two floats at `uv`, as
// two 16-byte stores, [px py pz nx] and [ny nz u v], streamed past the caches when `kStreamed`.
template <bool kStreamed>
inline void StoreVertexSse(__m128 position, __m128 normal, const float* uv, SkinVertex& out) {
  const __m128 joint = _mm_shuffle_ps(position, normal, _MM_SHUFFLE(0, 0, 2, 2));
  const __m128 first = _mm_shuffle_ps(position, joint, _MM_SHUFFLE(2, 0, 1, 0));
  const __m128 texture = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(uv)));
  const __m128 second = _mm_shuffle_ps(normal, texture, _MM_SHUFFLE(1, 0, 2, 1));
  auto* target = reinterpret_cast<float*>(&out);
  if constexpr (kStreamed) {
    _mm_stream_ps(target, first);
    _mm_stream_ps(target + 4, second);
  } else {
    _mm_storeu_ps(target, first);
    _mm_storeu_ps(target + 4, second);
  }
}

// SkinCorner four lanes at a time: lane c of a row product is the column-c sum above, added in
// the same order, and the three divisions by w are the same three divisions. The vertex goes out
// as two 16-byte stores, streamed past the caches when `streamed`: the processor does not read
// the buffer back, and a stream spares reading each line before writing it.
template <bool kStreamed>
inline void SkinCornerSse(const SkinVertex& in, const D3DXMATRIX& m, SkinVertex& out) {
  const __m128 row0 = _mm_loadu_ps(m.m[0]), row1 = _mm_loadu_ps(m.m[1]);
  const __m128 row2 = _mm_loadu_ps(m.m[2]), row3 = _mm_loadu_ps(m.m[3]);
  const float* v = &in.position.x;
  const __m128 r = _mm_add_ps(
      _mm_add_ps(_mm_add_ps(_mm_mul_ps(_mm_set1_ps(v[0]), row0), _mm_mul_ps(_mm_set1_ps(v[1]), row1)),
                 _mm_mul_ps(_mm_set1_ps(v[2]), row2)),
      row3);
  const __m128 n =
      _mm_add_ps(_mm_add_ps(_mm_mul_ps(_mm_set1_ps(v[3]), row0), _mm_mul_ps(_mm_set1_ps(v[4]), row1)),
                 _mm_mul_ps(_mm_set1_ps(v[5]), row2));
  const __m128 position = _mm_div_ps(r, _mm_shuffle_ps(r, r, _MM_SHUFFLE(3, 3, 3, 3)));
  StoreVertexSse<kStreamed>(position, n, &in.u, out);
}
#endif

}  // namespace smd
