// Memory for a large block that is filled once from start to end (a whole
// download): exactly the size asked for, allocated once, freed with delete[],
// with the system told to back it with large pages where it can.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace oro::platform {

// Null when the memory cannot be had.
std::unique_ptr<std::uint8_t[]> AllocateLargeBuffer(std::size_t size);

}  // namespace oro::platform
