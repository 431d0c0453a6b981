// One bone of a skeleton: the element of a mesh's bind-pose table and of every key-frame table
// of an animation clip.
#pragma once

#include "render/math.h"

struct SmdBone {
  int parent = -1;
  // The reader fills at most 79 characters; zeroed so that a bone no nodes line names reads as "".
  char name[128] = {};
  D3DXMATRIX local;
  D3DXMATRIX combined;

  // Identity matrices, written here rather than by a call: key-frame tables hold thousands.
  SmdBone() {
    for (int r = 0; r < 4; ++r)
      for (int c = 0; c < 4; ++c) local.m[r][c] = combined.m[r][c] = r == c ? 1.0f : 0.0f;
  }
};
