// Blending as a job on explicit inputs: two key frames' bones mixed into a bone table, matrix
// element by element. Playback runs it from a clip's current and next key frames into each mesh's
// bones; tests run it on plain arrays.
#pragma once

#include "model/job_span.h"
#include "model/smd_bone.h"

struct BlendJob {
  // The key frames blended from and to: tables of the same size (two frames of one clip),
  // each non-null when not empty.
  JobSpan<const SmdBone> from;
  JobSpan<const SmdBone> to;
  // The weight of `to`; `from` weighs 1 − factor. Any value: playback's cursor passes 1 by up to
  // one step before it moves on.
  float factor = 0.0f;
  // Bone j < min(output.size, from.size) gets combined = (1 − factor)·from[j].combined +
  // factor·to[j].combined, each element rounded as written; every other field and bone is left
  // alone. Non-null when not empty, sharing no byte with either key frame.
  JobSpan<SmdBone> output;

  // Whether every precondition above holds.
  bool Validate() const;
  // Validates, then blends. False, with nothing written, when Validate() is.
  bool Run() const;
};
