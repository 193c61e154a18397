#include <cstdlib>

#include "largeMemory.h"

namespace platform {

// Large pages on Windows need a privilege that an operator's account does not hold.
void* allocateLarge(size_t size) { return std::malloc(size); }

void freeLarge(void* block) { std::free(block); }

}  // namespace platform
