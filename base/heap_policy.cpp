// The allocator settings of base/heap_policy.h.
#include "base/heap_policy.h"

#include <climits>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

bool KeepFreedMemoryMapped() {
#if defined(__GLIBC__)
  // No block of its own mapping: a block that has one is unmapped again when it is freed.
  const bool direct = mallopt(M_MMAP_MAX, 0) == 1;
  // The free top of the heap (and of each thread's arena) is kept unless it passes 2 GiB.
  const bool trim = mallopt(M_TRIM_THRESHOLD, INT_MAX) == 1;
  return direct && trim;
#else
  return false;
#endif
}
