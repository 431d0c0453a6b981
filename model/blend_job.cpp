// The blend loop: one product per key frame and one sum per matrix element, in that order.
#include "model/blend_job.h"

bool BlendJob::Validate() const {
  if (!Addressable(from) || !Addressable(to) || !Addressable(output)) return false;
  if (from.size != to.size) return false;
  return !Overlap(output, from) && !Overlap(output, to);
}

bool BlendJob::Run() const {
  if (!Validate()) return false;
  const size_t count = output.size < from.size ? output.size : from.size;
  const float keep = 1.0f - factor;
  for (size_t j = 0; j < count; ++j) {
    const float* a = &from.data[j].combined.m[0][0];
    const float* b = &to.data[j].combined.m[0][0];
    float* out = &output.data[j].combined.m[0][0];
    for (int k = 0; k < 16; ++k) out[k] = keep * a[k] + factor * b[k];
  }
  return true;
}
