// Memory for the large blocks a long route needs: its waypoints, the texts of its
// positions, its waypoint file read whole. Fresh memory costs the system a page fault for
// every page when it is first touched: on a virtual machine the 4 KiB pages of the
// waypoints of a million-waypoint route took a fifth of a second of faults alone, as long
// as writing all of its files. Where the system offers large pages for such blocks, they
// are asked for.
#pragma once

#include <cstddef>
#include <utility>

namespace platform {

// A block at least this large is worth large pages.
constexpr size_t largeBlockSize = 2 * 1024 * 1024;

// `size` bytes, uninitialised; null when the memory is not there.
void* allocateLarge(size_t size);

// Gives back a block of `size` bytes from allocateLarge.
void freeLarge(void* block, size_t size);

}  // namespace platform

// A block from allocateLarge that gives itself back; empty when the memory was not there.
class largeBlock {
 public:
  largeBlock() = default;
  explicit largeBlock(size_t size) : data_(static_cast<char*>(platform::allocateLarge(size))), size_(size) {}
  largeBlock(largeBlock&& other) noexcept
      : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}
  largeBlock& operator=(largeBlock&& other) noexcept {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    return *this;
  }
  largeBlock(const largeBlock&) = delete;
  largeBlock& operator=(const largeBlock&) = delete;
  ~largeBlock() {
    if (data_ != nullptr) platform::freeLarge(data_, size_);
  }

  explicit operator bool() const { return data_ != nullptr; }
  char* data() const { return data_; }
  size_t size() const { return size_; }

 private:
  char* data_ = nullptr;
  size_t size_ = 0;
};
