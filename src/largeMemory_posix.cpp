#include <sys/mman.h>

#include <cstdlib>

#include "largeMemory.h"

namespace platform {

void* allocateLarge(size_t size) {
  if (size < largeBlockSize) return std::malloc(size);
  // Whole large pages, aligned on one, so that the system can back the block with them.
  const size_t rounded = (size + largeBlockSize - 1) / largeBlockSize * largeBlockSize;
  void* const block = std::aligned_alloc(largeBlockSize, rounded);
#ifdef MADV_HUGEPAGE
  // Only advice: where large pages are off or scarce, the block gets ordinary pages.
  if (block != nullptr) ::madvise(block, rounded, MADV_HUGEPAGE);
#endif
  return block;
}

void freeLarge(void* block) { std::free(block); }

}  // namespace platform
