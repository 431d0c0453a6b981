// Text of the model files: the reference file (skeleton, bind pose and triangles) and the
// animation files (skeleton and key frames), in the SMD layout the viewer reads.
#pragma once

#include <string>

#include "animation.h"
#include "mesh.h"

namespace contentgen {

std::string ReferenceSmd(const Mesh& mesh);
std::string AnimationSmd(const AnimationClip& clip);

}  // namespace contentgen
