// The processing object's view of the parameter section: opened by name and
// held, read without a lock while the panel writes.
#include <cstdlib>
#include <cstring>
#include <memory>

#include "oro/common/property_blocks.h"
#include "oro/platform/make_platform.h"
#include "oro_sound_apo.h"

struct OroApoSection {
  std::unique_ptr<oro::platform::NamedObjects> objects;
  std::unique_ptr<oro::platform::SharedSection> section;
};

namespace {

using oro::common::kSectionHeaderSize;
using oro::common::PropertyBlock1;
using oro::common::PropertyBlock2;

constexpr int kReadAttempts = 8;

struct Snapshot {
  std::uint8_t header[kSectionHeaderSize];
  std::uint8_t block1[PropertyBlock1::kSize];
  std::uint8_t block2[PropertyBlock2::kSize];
  bool operator==(const Snapshot& o) const { return std::memcmp(this, &o, sizeof *this) == 0; }
};

void Copy(const volatile std::uint8_t* view, Snapshot* out) {
  // Byte copies through volatile: the writer is another process, so every
  // read must really happen and happen now.
  auto take = [&](std::uint8_t* dst, std::size_t at, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) dst[i] = view[at + i];
  };
  take(out->header, 0, kSectionHeaderSize);
  take(out->block1, kSectionHeaderSize + oro::common::kBlock1PayloadOffset, PropertyBlock1::kSize);
  take(out->block2, kSectionHeaderSize + oro::common::kBlock2PayloadOffset, PropertyBlock2::kSize);
}

}  // namespace

extern "C" ORO_APO_API int32_t OroApoOpenSection(OroApoSection** out) {
  if (!out) return ORO_APO_E_POINTER;
  *out = nullptr;
  try {
    auto s = std::make_unique<OroApoSection>();
    const oro::platform::StatePaths paths = oro::platform::ResolveStatePaths(std::getenv("ORO_ROOT"));
    s->objects = oro::platform::MakeNamedObjects(paths);
    const auto rc = s->objects->OpenSection(oro::common::kSectionName, oro::common::kSectionSize, &s->section);
    if (rc == oro::platform::err::kFileNotFound) return ORO_APO_E_NOT_FOUND;
    if (rc != 0 || !s->section) return ORO_APO_E_ACCESS_DENIED;
    *out = s.release();
    return ORO_APO_S_OK;
  } catch (...) {
    return ORO_APO_E_ACCESS_DENIED;
  }
}

extern "C" ORO_APO_API int32_t OroApoReadBlocks(OroApoSection* section, int32_t* capacity, void* block1, void* block2) {
  if (!section || !section->section) return ORO_APO_E_POINTER;
  const volatile std::uint8_t* view = section->section->Data();
  // Blocks are written without a lock: take two copies that agree, so a
  // block seen half-written is read again.
  Snapshot a, b;
  Copy(view, &a);
  for (int i = 0; i < kReadAttempts; ++i) {
    Copy(view, &b);
    if (a == b) break;
    a = b;
  }
  const std::int32_t cap = static_cast<std::int32_t>(a.header[0] | (a.header[1] << 8) | (a.header[2] << 16) |
                                                     (static_cast<std::uint32_t>(a.header[3]) << 24));
  if (capacity) *capacity = cap;
  if (block1) std::memcpy(block1, a.block1, sizeof a.block1);
  if (block2) std::memcpy(block2, a.block2, sizeof a.block2);
  // A section of another layout (or not yet initialised) carries no blocks.
  return cap == oro::common::kSectionSize - static_cast<std::int32_t>(kSectionHeaderSize) ? ORO_APO_S_OK
                                                                                          : ORO_APO_E_INVALID_DATA;
}

extern "C" ORO_APO_API void OroApoCloseSection(OroApoSection* section) { delete section; }
