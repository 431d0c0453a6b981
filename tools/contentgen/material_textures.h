// Procedurally painted, tiling colour textures for the character's materials.
#pragma once

#include "image.h"

namespace contentgen {

// material is a Material value from character_model.h.
ColorImage PaintMaterialTexture(int material, int size);

}  // namespace contentgen
