// The memory a download is received into: exactly the announced size,
// allocated once, freed with delete[].
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace oro::updater {

// Null when the memory cannot be had.
std::unique_ptr<std::uint8_t[]> AllocateTransferBuffer(std::size_t size);

}  // namespace oro::updater
