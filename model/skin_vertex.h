// The 32-byte vertex of the model's and the box's vertex buffers: position, normal, texture
// coordinate, no gaps, and the vertex declaration that describes exactly this layout.
#pragma once

#include <cstddef>

#include "base/math.h"
#include "gfx/d3d9.h"

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

// The declaration of a SkinVertex stream 0, as the effect's vertex shaders read it.
inline constexpr D3DVERTEXELEMENT9 kSkinVertexElements[] = {
    {0, offsetof(SkinVertex, position), D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
    {0, offsetof(SkinVertex, normal), D3DDECLTYPE_FLOAT3, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_NORMAL, 0},
    {0, offsetof(SkinVertex, u), D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
    D3DDECL_END(),
};
