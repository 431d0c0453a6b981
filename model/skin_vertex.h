// The 32-byte vertex of the model's and the box's vertex buffers: position, normal, texture
// coordinate, no gaps. The vertex declaration of the effect describes exactly this layout.
#pragma once

#include <cstddef>

#include "base/math.h"

struct SkinVertex {
  D3DXVECTOR3 position;
  D3DXVECTOR3 normal;
  float u = 0;
  float v = 0;
};

static_assert(sizeof(SkinVertex) == 32, "SkinVertex is the 32-byte stream stride");
static_assert(offsetof(SkinVertex, position) == 0);
static_assert(offsetof(SkinVertex, normal) == 12);
static_assert(offsetof(SkinVertex, u) == 24);
static_assert(offsetof(SkinVertex, v) == 28);
