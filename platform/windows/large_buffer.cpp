// Large pages on Windows need the lock-memory privilege and VirtualAlloc
// memory, which delete[] cannot free; the block is plain heap memory here.
#include <new>

#include "oro/platform/large_buffer.h"

namespace oro::platform {

std::unique_ptr<std::uint8_t[]> AllocateLargeBuffer(std::size_t size) {
  return std::unique_ptr<std::uint8_t[]>(new (std::nothrow) std::uint8_t[size]);
}

}  // namespace oro::platform
