#include <cstdlib>

#include "largeMemory.h"

namespace platform {

// Large pages on Windows need a privilege that an operator's account does not hold.
void* allocateLarge(size_t size) { return std::malloc(size == 0 ? 1 : size); }

void freeLarge(void* block, size_t) { std::free(block); }

}  // namespace platform
