// The allocator policy: a large block freed and taken again, and the reserved headroom, come back
// without new page faults.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdlib>
#include <cstring>

#include "base/heap_policy.h"

namespace {

long MinorFaults() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_minflt;
}

// Faults of taking, writing and freeing a block of `size` bytes.
long FaultsOfBlock(size_t size) {
  const long before = MinorFaults();
  char* block = static_cast<char*>(std::malloc(size));
  std::memset(block, 1, size);
  volatile char last = block[size - 1];
  (void)last;
  std::free(block);
  return MinorFaults() - before;
}

TEST(HeapPolicyTest, FreedBlocksAndTheHeadroomStayMapped) {
  if (!KeepFreedMemoryMapped()) GTEST_SKIP() << "the allocator is not glibc's (sanitizers)";
  constexpr size_t kBlock = size_t{32} << 20;
  FaultsOfBlock(kBlock);
  EXPECT_LT(FaultsOfBlock(kBlock), 64) << "glibc would have mapped and unmapped it again";
  ReserveHeapHeadroom();
  EXPECT_LT(FaultsOfBlock(size_t{12} << 20), 64);
}

}  // namespace
