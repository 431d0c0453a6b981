// The surrounding box's shape: a cube of edge kBoxEdge centred on the origin, four vertices per
// face (no vertex shared between faces) and two triangles per face, in 16-bit indices.
#pragma once

#include "base/win_types.h"
#include "model/skin_vertex.h"

inline constexpr float kBoxEdge = 200.0f;
inline constexpr UINT kBoxVertexCount = 24;
inline constexpr UINT kBoxVertexStride = sizeof(SkinVertex);
inline constexpr UINT kBoxIndexCount = 36;
inline constexpr UINT kBoxTriangleCount = kBoxIndexCount / 3;
