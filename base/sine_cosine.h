// Sine and cosine of single-precision angles for the rotation builders and the pose rule.
//
// Each angle is reduced by π/2 and its sine and cosine are summed in double precision, then
// rounded once to float; the result is the correctly rounded value except where the exact one
// lies within about 10^-14 of halfway between two floats. Every entry computes each angle in its
// own lane with the same operations, so an angle gives the same bits whichever entry computes it,
// and below 2^20 radians the same bits on every processor (no library variant is chosen at run
// time). Larger angles, infinities and NaN go through the C library's double-precision functions.
#pragma once

void SineCosine(float angle, float& sine, float& cosine);
// Many angles at once: sines[k] and cosines[k] are what SineCosine gives for angles[k].
void SineCosines(const float* angles, int count, float* sines, float* cosines);

// SineCosines on the instructions named, for the tests that hold each set to SineCosine; false,
// computing nothing, where the processor lacks them. SineCosines uses the widest it has.
enum class SineCosineIsa { kBaseline, kAvx2, kAvx512 };
bool SineCosinesOn(SineCosineIsa isa, const float* angles, int count, float* sines, float* cosines);
