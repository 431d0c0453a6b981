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

  SmdBone() {
    D3DXMatrixIdentity(&local);
    D3DXMatrixIdentity(&combined);
  }
};
