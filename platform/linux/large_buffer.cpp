#include <sys/mman.h>

#include <new>

#include "oro/platform/large_buffer.h"

namespace oro::platform {
namespace {

constexpr std::uintptr_t kHugePage = 2u << 20;
constexpr std::size_t kHintFrom = 8u << 20;

}  // namespace

std::unique_ptr<std::uint8_t[]> AllocateLargeBuffer(std::size_t size) {
  std::unique_ptr<std::uint8_t[]> buffer(new (std::nothrow) std::uint8_t[size]);
  if (buffer && size >= kHintFrom) {
    // Every page of a large block is touched once, and faulting it in
    // 4 KiB at a time can cost more than the network; huge pages cut the
    // number of faults 512-fold. Only whole huge pages inside the block are
    // hinted, so nothing beyond it is ever committed.
    const auto begin = reinterpret_cast<std::uintptr_t>(buffer.get());
    const std::uintptr_t first = (begin + kHugePage - 1) & ~(kHugePage - 1);
    const std::uintptr_t last = (begin + size) & ~(kHugePage - 1);
    if (last > first) madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
  }
  return buffer;
}

}  // namespace oro::platform
