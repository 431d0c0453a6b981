// Sine and cosine of single-precision angles for the rotation builders and the pose rule.
//
// Each angle is reduced by π/2 and its sine and cosine are summed in double precision, within about
// two ulps of a double of the exact values, then rounded once to float. Below 2^20 radians that is
// (float)sin((double)x) and (float)cos((double)x) for every float, checked one by one against the C
// library's functions: the correctly rounded float everywhere but the sine of ±0x1.33333p+13, whose
// double lies exactly halfway between two floats. Every entry computes each angle in its own lane
// with the same operations, so an angle gives the same bits whichever entry computes it, and below
// 2^20 radians the same bits on every processor (no library variant is chosen at run time). Larger
// angles, infinities and NaN go through the C library's double-precision functions.
#pragma once

void SineCosine(float angle, float& sine, float& cosine);
// Many angles at once: sines[k] and cosines[k] are what SineCosine gives for angles[k].
void SineCosines(const float* angles, int count, float* sines, float* cosines);

// SineCosines on the instructions named, for the tests that hold each set to SineCosine; false,
// computing nothing, where the processor lacks them. SineCosines uses the widest it has.
enum class SineCosineIsa { kBaseline, kAvx2, kAvx512 };
bool SineCosinesOn(SineCosineIsa isa, const float* angles, int count, float* sines, float* cosines);
