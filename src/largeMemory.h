// Memory for the large blocks a long route needs. Fresh memory costs the system a page
// fault for every page when it is first touched: on a virtual machine the 4 KiB pages of
// the waypoints of a million-waypoint route took a fifth of a second of faults alone, as
// long as writing all of its files. Where the system offers large pages for such blocks,
// they are asked for.
#pragma once

#include <cstddef>

namespace platform {

// A block at least this large is worth large pages.
constexpr size_t largeBlockSize = 2 * 1024 * 1024;

// `size` bytes, uninitialised; null when the memory is not there.
void* allocateLarge(size_t size);

// Gives back a block from allocateLarge.
void freeLarge(void* block);

}  // namespace platform
