// The reference loader's thread count, chosen once from HATCHING_LOAD_THREADS.
#include "model/smd_load_threads.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace smd {

namespace {

struct LoadThreading {
  int threads = 2;
  int fewestTriangles = kSmdTwoThreadTriangles;
};

LoadThreading Chosen() {
  LoadThreading chosen;
  const char* asked = std::getenv("HATCHING_LOAD_THREADS");
  if (!asked || !*asked) return chosen;
  if (std::strcmp(asked, "1") == 0 || std::strcmp(asked, "2") == 0) {
    chosen.threads = asked[0] - '0';
    return chosen;
  }
  std::fprintf(stderr,
               "hatching: HATCHING_LOAD_THREADS=%s: expected 1 or 2; large files load on %d threads\n", asked,
               chosen.threads);
  return chosen;
}

LoadThreading& Active() {
  static LoadThreading active = Chosen();
  return active;
}

}  // namespace

int LoadThreads(int triangles) {
  const LoadThreading& active = Active();
  return triangles >= active.fewestTriangles ? active.threads : 1;
}

void UseLoadThreads(int threads, int fewestTriangles) {
  Active() = LoadThreading{threads == 2 ? 2 : 1, fewestTriangles};
}

}  // namespace smd
