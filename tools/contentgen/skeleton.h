// The character's skeleton: bone names, the hierarchy (a parent always has a smaller index
// than its children) and the bind pose. Bind-pose bones carry no rotation, so every bone's
// frame is aligned with the model axes at rest and animation angles read directly as
// "about model x / y / z".
//
// Model space: z up, the character stands on z = 0 facing -y; its left side is at -x.
#pragma once

#include <string>
#include <vector>

#include "vec_math.h"

namespace contentgen {

enum BoneId : int {
  kPelvis,
  kSpine,
  kChest,
  kNeck,
  kHead,
  kJaw,
  kClavicleL,
  kUpperArmL,
  kForearmL,
  kHandL,
  kClavicleR,
  kUpperArmR,
  kForearmR,
  kHandR,
  kBlade,
  kThighL,
  kShinL,
  kFootL,
  kToeL,
  kThighR,
  kShinR,
  kFootR,
  kToeR,
  kTail1,
  kTail2,
  kTail3,
  kTail4,
  kBoneCount
};

struct Bone {
  std::string name;
  int parent;  // -1 for the root
  Vec3 joint;  // bind-pose position in model space
};

const std::vector<Bone>& CharacterBones();

// Bind-pose translation of a bone relative to its parent.
Vec3 BindOffset(int bone);

}  // namespace contentgen
