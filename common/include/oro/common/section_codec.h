// The parameter section as bytes: a 32-bit little-endian payload capacity at
// byte 0, then the payload with block 1 and block 2 at fixed offsets. The
// library writes it, the processing object, oroctl and the sound server's
// plugin read it; all of them go through these functions.
#pragma once

#include <cstddef>
#include <cstdint>

#include "oro/common/property_blocks.h"
#include "oro/platform/little_endian.h"

namespace oro::common {

// The capacity the library writes into a section of the kit's size.
constexpr std::int32_t kSectionCapacity = kSectionSize - static_cast<std::int32_t>(kSectionHeaderSize);

// Bytes from the start of the section a reader needs to see both blocks.
constexpr std::size_t kSectionReadSize = kSectionHeaderSize + kBlock2PayloadOffset + PropertyBlock2::kSize;
static_assert(kSectionHeaderSize + kBlock1PayloadOffset + PropertyBlock1::kSize <= kSectionReadSize);
static_assert(kSectionReadSize <= static_cast<std::size_t>(kSectionSize));

// Byte offset within the section of a payload offset.
constexpr std::size_t SectionOffsetOfPayload(std::size_t payload_offset) { return kSectionHeaderSize + payload_offset; }

// Writes the header of a section of `section_size` bytes (capacity =
// size - header). The caller has checked the size holds the header.
inline void EncodeSectionHeader(std::uint8_t* section, std::int32_t section_size) {
  platform::StoreLe(section, static_cast<std::int32_t>(section_size - static_cast<std::int32_t>(kSectionHeaderSize)));
}

inline std::int32_t DecodeSectionCapacity(const std::uint8_t* section) {
  return platform::LoadLe<std::int32_t>(section);
}

// What a reader finds in the section. `kit_layout` is false for a section of
// another size or one not yet initialised; its blocks then mean nothing.
struct SectionContents {
  std::int32_t capacity = 0;
  bool kit_layout = false;
  PropertyBlock1 block1;
  PropertyBlock2 block2;
};

// `bytes` holds at least kSectionReadSize bytes copied from the section's start.
inline SectionContents DecodeSection(const std::uint8_t* bytes) {
  SectionContents c;
  c.capacity = DecodeSectionCapacity(bytes);
  c.kit_layout = c.capacity == kSectionCapacity;
  c.block1 = BlockFromBytes<PropertyBlock1>(bytes + SectionOffsetOfPayload(kBlock1PayloadOffset));
  c.block2 = BlockFromBytes<PropertyBlock2>(bytes + SectionOffsetOfPayload(kBlock2PayloadOffset));
  return c;
}

}  // namespace oro::common
