#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

#include "largeMemory.h"

namespace platform {

namespace {
size_t wholeLargePages(size_t size) { return (size + largeBlockSize - 1) / largeBlockSize * largeBlockSize; }
}  // namespace

// Large blocks are mapped straight from the system rather than through malloc, whose
// choice between its heap and a mapping changes with what was freed before: every block
// is then aligned on a large page and given back whole.
void* allocateLarge(size_t size) {
  if (size < largeBlockSize) return std::malloc(size == 0 ? 1 : size);
  const size_t rounded = wholeLargePages(size);
  // One large page more than needed, to find an aligned start in it.
  const size_t mapped = rounded + largeBlockSize;
  void* const region = ::mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (region == MAP_FAILED) return nullptr;
  const auto start = reinterpret_cast<std::uintptr_t>(region);
  const std::uintptr_t aligned = (start + largeBlockSize - 1) / largeBlockSize * largeBlockSize;
  if (aligned > start) ::munmap(region, aligned - start);
  const size_t after = mapped - (aligned - start) - rounded;
  if (after > 0) ::munmap(reinterpret_cast<void*>(aligned + rounded), after);
  void* const block = reinterpret_cast<void*>(aligned);
#ifdef MADV_HUGEPAGE
  // Only advice: where large pages are off or scarce, the block gets ordinary pages.
  ::madvise(block, rounded, MADV_HUGEPAGE);
#endif
  return block;
}

void freeLarge(void* block, size_t size) {
  if (size < largeBlockSize) {
    std::free(block);
  } else {
    ::munmap(block, wholeLargePages(size));
  }
}

}  // namespace platform
