// The room a clip takes: model-space bounds of the first mesh skinned at every key frame of a
// clip, as playback skins it (by its links where the model reads them).
#pragma once

#include "gfx/d3d9.h"

struct SkinnedModel;

// Bounds over every key frame of clip `clip`; a clip without key frames (or -1) gives the bind
// pose. Corners that come out non-finite are left out. False when the mesh has no corners.
// Very large meshes are sampled: every k-th corner, so that at most about 2^25 corner-frames are
// skinned.
bool ClipBounds(const SkinnedModel& model, int clip, D3DXVECTOR3* low, D3DXVECTOR3* high);
