// The environment cube map: a pale winter scene (overcast sky, low hills, snowfield) computed
// from direction alone, so neighbouring faces meet without seams.
#pragma once

#include <array>
#include <vector>

#include "image.h"
#include "vec_math.h"

namespace contentgen {

// World-space direction (left-handed, +Y up) through texel centre (x, y) of a size x size face,
// faces ordered +X, -X, +Y, -Y, +Z, -Z as Direct3D lays them out.
Vec3 CubeFaceDirection(int face, int x, int y, int size);

// Colour of the scene seen along a unit direction, components in [0, 1].
Vec3 SnowSceneColor(Vec3 direction);

// Each face with its full mip chain, level 0 being size x size.
std::array<std::vector<ColorImage>, 6> BuildSnowCubeMap(int size);

}  // namespace contentgen
