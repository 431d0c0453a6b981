// Which kernel moves corners through matrices, in skinning and in loading: the SSE2 one where the
// processor has it, else the generic one. Chosen once, at the first use, from the environment
// variable HATCHING_SKINNING ("generic" or "sse2"; anything else is reported and ignored), so that
// the generic kernel can be run on any processor; both give the same bits (skin_corner.h).
#pragma once

enum class SkinningKernel { kGeneric, kSse2 };

SkinningKernel ActiveSkinningKernel();
bool SkinningKernelAvailable(SkinningKernel kernel);
// For tests: switches the kernel; false, changing nothing, when this build lacks it.
bool UseSkinningKernel(SkinningKernel kernel);
