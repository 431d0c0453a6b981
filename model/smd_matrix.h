// The matrix product of the pose rule, written out so that it inlines: each row of the result is
// a[i][0]·b0 + a[i][1]·b1 + a[i][2]·b2 + a[i][3]·b3 over b's rows, four lanes at a time, added in
// the order D3DXMatrixMultiply adds, so every element is that function's to the bit.
#pragma once

#include "render/math.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace smd {

// out = a·b; out may be a or b.
inline void MultiplyMatrices(const D3DXMATRIX& a, const D3DXMATRIX& b, D3DXMATRIX& out) {
#if defined(__SSE2__)
  const __m128 b0 = _mm_loadu_ps(b.m[0]), b1 = _mm_loadu_ps(b.m[1]);
  const __m128 b2 = _mm_loadu_ps(b.m[2]), b3 = _mm_loadu_ps(b.m[3]);
  __m128 rows[4];
  for (int i = 0; i < 4; ++i) {
    const __m128 first = _mm_mul_ps(_mm_set1_ps(a.m[i][0]), b0);
    const __m128 second = _mm_mul_ps(_mm_set1_ps(a.m[i][1]), b1);
    const __m128 third = _mm_mul_ps(_mm_set1_ps(a.m[i][2]), b2);
    const __m128 fourth = _mm_mul_ps(_mm_set1_ps(a.m[i][3]), b3);
    rows[i] = _mm_add_ps(_mm_add_ps(_mm_add_ps(first, second), third), fourth);
  }
  for (int i = 0; i < 4; ++i) _mm_storeu_ps(out.m[i], rows[i]);
#else
  D3DXMatrixMultiply(&out, &a, &b);
#endif
}

}  // namespace smd
