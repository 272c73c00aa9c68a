// The kit's one checksum: reflected CRC-32, polynomial 0xEDB88320, register
// started at 0xFFFFFFFF and never inverted at the end (CRC-32/JAMCRC). It
// guards the network configuration file and identifies installers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace oro::common {

constexpr std::uint32_t kCrc32Initial = 0xFFFFFFFFu;

// Runs the register over more bytes; start with kCrc32Initial. Feeding a
// buffer in pieces gives the same result as feeding it whole.
std::uint32_t Crc32Update(std::uint32_t crc, const void* data, std::size_t size);

inline std::uint32_t Crc32(const void* data, std::size_t size) { return Crc32Update(kCrc32Initial, data, size); }
inline std::uint32_t Crc32(std::string_view bytes) { return Crc32(bytes.data(), bytes.size()); }

}  // namespace oro::common
