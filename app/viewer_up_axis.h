// Which model axis a character stands along: decided from its skeleton and its clips rather than
// from its extents alone.
#pragma once

#include "app/viewer_options.h"

struct SkinnedModel;

// In order, the first that tells: the bind pose's foot bones (by name) resting at the bottom of
// one axis and not of the other; the root bone of clip `clip` moving mostly along one of y and z
// (a walk moves across the ground, so its main direction is not up); the bind pose resting on
// z = 0 or y = 0 and not on the other; a figure clearly taller along y than along z (by a quarter)
// and no wider along x. Otherwise z, as most SMD characters stand.
UpAxis DecideUpAxis(const SkinnedModel& model, int clip);
