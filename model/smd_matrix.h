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

inline MatrixRows Multiply(const MatrixRows& a, const MatrixRows& b) {
  MatrixRows out;
  for (int i = 0; i < 4; ++i) {
    const MatrixRow& r = a.row[i];
    out.row[i] = r[0] * b.row[0] + r[1] * b.row[1] + r[2] * b.row[2] + r[3] * b.row[3];
  }
  return out;
}

}  // namespace smd
