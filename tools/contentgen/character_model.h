// The red imp-warrior's body, built from smooth closed parts, each bound to one bone.
#pragma once

#include "mesh.h"

namespace contentgen {

enum Material : int { kSkin, kArmour, kHorn, kSteel, kMaterialCount };

// File names of the material textures, indexed by Material.
const char* MaterialFileName(int material);

Mesh BuildCharacterMesh();

}  // namespace contentgen
