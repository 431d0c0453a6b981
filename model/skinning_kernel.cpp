// The choice of skinning kernel, made once from the build and HATCHING_SKINNING.
#include "model/skinning_kernel.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

#if defined(__SSE2__)
constexpr SkinningKernel kFastest = SkinningKernel::kSse2;
#else
constexpr SkinningKernel kFastest = SkinningKernel::kGeneric;
#endif

SkinningKernel ChosenKernel() {
  const char* asked = std::getenv("HATCHING_SKINNING");
  if (!asked || !*asked) return kFastest;
  if (std::strcmp(asked, "generic") == 0) return SkinningKernel::kGeneric;
  if (std::strcmp(asked, "sse2") == 0 && kFastest == SkinningKernel::kSse2) return SkinningKernel::kSse2;
  std::fprintf(
      stderr, "hatching: HATCHING_SKINNING=%s: %s; the %s kernel skins\n", asked,
      std::strcmp(asked, "sse2") == 0 ? "this build has no SSE2 kernel" : "expected \"generic\" or \"sse2\"",
      kFastest == SkinningKernel::kSse2 ? "SSE2" : "generic");
  return kFastest;
}

SkinningKernel& Active() {
  static SkinningKernel active = ChosenKernel();
  return active;
}

}  // namespace

SkinningKernel ActiveSkinningKernel() {
  return Active();
}

bool SkinningKernelAvailable(SkinningKernel kernel) {
  return kernel == SkinningKernel::kGeneric || kernel == kFastest;
}

bool UseSkinningKernel(SkinningKernel kernel) {
  if (!SkinningKernelAvailable(kernel)) return false;
  Active() = kernel;
  return true;
}
