// The allocator settings of base/heap_policy.h.
#include "base/heap_policy.h"

#include <climits>
#include <cstddef>
#include <cstdlib>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace {

// Whether the allocator took the settings, so that memory freed stays mapped.
bool keepsFreedMemory = false;

}  // namespace

bool KeepFreedMemoryMapped() {
#if defined(__GLIBC__)
  // No block of its own mapping: a block that has one is unmapped again when it is freed.
  const bool direct = mallopt(M_MMAP_MAX, 0) == 1;
  // The free top of the heap (and of each thread's arena) is kept unless it passes 2 GiB.
  const bool trim = mallopt(M_TRIM_THRESHOLD, INT_MAX) == 1;
  keepsFreedMemory = direct && trim;
  return keepsFreedMemory;
#else
  return false;
#endif
}

void ReserveHeapHeadroom() {
#if defined(__GLIBC__)
  if (!keepsFreedMemory) return;
  constexpr size_t kLeast = size_t{16} << 20;
  constexpr size_t kPage = 4096;
  const struct mallinfo2 heap = mallinfo2();
  // The heap's free top may hold pages never touched (the tail of a block freed half written):
  // the block covers all of it, and grows it to the size wanted.
  size_t size = heap.uordblks > kLeast ? heap.uordblks : kLeast;
  if (size < heap.keepcost) size = heap.keepcost;
  void* block = std::malloc(size);
  if (!block) return;
  // One write a page maps it; through a volatile pointer, so that the block is not optimised away.
  volatile char* bytes = static_cast<char*>(block);
  for (size_t at = 0; at < size; at += kPage) bytes[at] = 0;
  std::free(block);
#endif
}
