// The imp's three animations: Attack (the viewer's looping showcase), Run and Stun.
#pragma once

#include "animation.h"

namespace contentgen {

AnimationClip BuildAttackClip();  // wind-up, overhead chop, recovery; ends near its start
AnimationClip BuildRunClip();     // one seamless running stride
AnimationClip BuildStunClip();    // reeling from a blow, then steadying

}  // namespace contentgen
