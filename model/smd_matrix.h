// The matrix product of the pose rule, written out so that it inlines and keeps its matrices in
// registers: each row of the result is a[i][0]·b0 + a[i][1]·b1 + a[i][2]·b2 + a[i][3]·b3 over b's
// rows, four lanes at a time, added in the order D3DXMatrixMultiply adds, so every element is
// that function's to the bit (the build turns off floating-point contraction).
#pragma once

#include <cstring>

#include "base/math.h"

namespace smd {

typedef float MatrixRow __attribute__((vector_size(16)));

struct MatrixRows {
  MatrixRow row[4];
};

inline MatrixRows LoadRows(const D3DXMATRIX& m) {
  MatrixRows rows;
  std::memcpy(rows.row, m.m, sizeof rows.row);
  return rows;
}

inline void StoreRows(const MatrixRows& rows, D3DXMATRIX& m) {
  std::memcpy(m.m, rows.row, sizeof rows.row);
}

// Lane i of `r` in every lane: a shuffle in a register, where r[i] would go through memory.
template <int i>
inline MatrixRow Splat(MatrixRow r) {
  return __builtin_shufflevector(r, r, i, i, i, i);
}

inline MatrixRows Multiply(const MatrixRows& a, const MatrixRows& b) {
  MatrixRows out;
#pragma GCC unroll 4
  for (int i = 0; i < 4; ++i) {
    const MatrixRow r = a.row[i];
    out.row[i] =
        Splat<0>(r) * b.row[0] + Splat<1>(r) * b.row[1] + Splat<2>(r) * b.row[2] + Splat<3>(r) * b.row[3];
  }
  return out;
}

}  // namespace smd
