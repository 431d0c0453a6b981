// One bone of a skeleton: the element of a mesh's bind-pose table and of every key-frame table
// of an animation clip.
#pragma once

#include "base/math.h"

struct SmdBone {
  int parent = -1;
  // The reader fills at most 79 characters; zeroed so that a bone no nodes line names reads as "".
  char name[128] = {};
  // Identity matrices, copied in whole rows: key-frame tables hold thousands of bones.
  D3DXMATRIX local = kIdentityMatrix;
  D3DXMATRIX combined = kIdentityMatrix;
};
