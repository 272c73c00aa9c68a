#include "shared_block.h"

#include <cstring>
#include <map>
#include <mutex>

#include "oro/common/property_blocks.h"
#include "oro/common/section_codec.h"

namespace oro::device_api {

platform::ObjectSecurity MakeObjectSecurity(std::uint32_t user_rights, std::uint32_t service_rights) {
  return platform::ObjectSecurity{user_rights, service_rights};
}

SharedBlock::SharedBlock(platform::NamedObjects* objects) : objects_(objects), name_(common::kSectionName) {}

void SharedBlock::Create(const std::wstring* name, std::int32_t size, bool secured) {
  Release();
  if (name) name_ = *name;
  // Too small for its own header: nothing could be published.
  if (!objects_ || size < static_cast<std::int32_t>(common::kSectionHeaderSize)) return;

  const platform::ObjectSecurity security = MakeObjectSecurity(kSectionAllAccess, kSectionAllAccess);
  std::unique_ptr<platform::SharedSection> section;
  if (objects_->CreateSection(name_, static_cast<std::size_t>(size), secured ? &security : nullptr, &section) !=
          platform::err::kSuccess ||
      !section || section->Size() < static_cast<std::size_t>(size)) {
    return;
  }
  section_ = std::move(section);
  size_ = size;
  common::EncodeSectionHeader(section_->Data(), size);
  mapped_ = true;
}

void SharedBlock::Write(const void* data, std::int64_t payload_offset, std::size_t length) {
  if (!mapped_ || !data) return;
  const std::int64_t capacity = size_ - static_cast<std::int64_t>(common::kSectionHeaderSize);
  if (payload_offset < 0 || payload_offset >= capacity) return;
  const std::size_t room = static_cast<std::size_t>(capacity - payload_offset);
  std::memcpy(section_->Data() + common::SectionOffsetOfPayload(static_cast<std::size_t>(payload_offset)), data,
              length < room ? length : room);
}

void SharedBlock::Release() {
  mapped_ = false;
  section_.reset();
  size_ = 0;
}

namespace {

std::mutex g_live_mutex;

// Owned blocks by handle value; the handle is the block's address, as the
// record has always carried it. Blocks still live at exit are released then,
// so their sections do not outlive the process.
std::map<std::uint64_t, std::unique_ptr<SharedBlock>>& LiveBlocks() {
  static std::map<std::uint64_t, std::unique_ptr<SharedBlock>> blocks;
  return blocks;
}

}  // namespace

std::uint64_t AdoptSharedBlock(std::unique_ptr<SharedBlock> block) {
  const auto handle = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(block.get()));
  std::lock_guard<std::mutex> lock(g_live_mutex);
  LiveBlocks()[handle] = std::move(block);
  return handle;
}

bool ReleaseSharedBlock(std::uint64_t handle) {
  std::unique_ptr<SharedBlock> block;
  {
    std::lock_guard<std::mutex> lock(g_live_mutex);
    auto it = LiveBlocks().find(handle);
    if (it == LiveBlocks().end()) return false;
    block = std::move(it->second);
    LiveBlocks().erase(it);
  }
  block->Release();
  return true;
}

namespace detail {

LiveBlock::LiveBlock(std::uint64_t handle) : lock_(g_live_mutex) {
  auto it = LiveBlocks().find(handle);
  if (it != LiveBlocks().end()) block_ = it->second.get();
}

}  // namespace detail

}  // namespace oro::device_api
