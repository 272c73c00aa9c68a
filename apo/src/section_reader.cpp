// The processing object's view of the parameter section: opened by name and
// held, read without a lock while the panel writes.
#include <cstdlib>
#include <cstring>
#include <memory>

#include "oro/common/section_codec.h"
#include "oro/platform/make_platform.h"
#include "oro_sound_apo.h"

struct OroApoSection {
  std::unique_ptr<oro::platform::NamedObjects> objects;
  std::unique_ptr<oro::platform::SharedSection> section;
};

namespace {

constexpr int kReadAttempts = 8;

struct Snapshot {
  std::uint8_t bytes[oro::common::kSectionReadSize];
  bool operator==(const Snapshot& o) const { return std::memcmp(bytes, o.bytes, sizeof bytes) == 0; }
};

void Copy(const volatile std::uint8_t* view, Snapshot* out) {
  // Byte copies through volatile: the writer is another process, so every
  // read must really happen and happen now.
  for (std::size_t i = 0; i < sizeof out->bytes; ++i) out->bytes[i] = view[i];
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
  const oro::common::SectionContents c = oro::common::DecodeSection(a.bytes);
  if (capacity) *capacity = c.capacity;
  if (block1) std::memcpy(block1, &c.block1, sizeof c.block1);
  if (block2) std::memcpy(block2, &c.block2, sizeof c.block2);
  // A section of another layout (or not yet initialised) carries no blocks.
  return c.kit_layout ? ORO_APO_S_OK : ORO_APO_E_INVALID_DATA;
}

extern "C" ORO_APO_API void OroApoCloseSection(OroApoSection* section) { delete section; }
