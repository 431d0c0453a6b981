// How many threads a load reads its number lines on: two for files of at least
// kSmdTwoThreadTriangles triangles, one for smaller ones (starting a thread would cost more than it
// saves). An animation counts three pose lines as one triangle. The environment variable HATCHING_LOAD_THREADS=1 keeps every load on one thread; a value
// other than 1 or 2 is said on standard error and the default holds. The results are the same bits
// on one thread or two.
#pragma once

namespace smd {

inline constexpr int kSmdTwoThreadTriangles = 4096;

// Threads for a file of `triangles` triangles: 1 or 2.
int LoadThreads(int triangles);
// Tests: `threads` (1 or 2) for files of at least `fewestTriangles` triangles from now on; one
// thread below that.
void UseLoadThreads(int threads, int fewestTriangles = kSmdTwoThreadTriangles);

}  // namespace smd
