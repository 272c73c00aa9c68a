// The library's side of the section the processing object reads: created by
// getDeviceInfo, written by setDeviceProperty, released by releaseDeviceInfo.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "oro/platform/named_objects.h"

namespace oro::device_api {

// Rights with the system's numbers.
constexpr std::uint32_t kSectionAllAccess = 0xF001F;

// Security of a named object that the user and the audio engine's account
// must both open. On Linux the user is the file's owner and the audio
// engine's account is the "audio" group (see the named objects adapter).
platform::ObjectSecurity MakeObjectSecurity(std::uint32_t user_rights, std::uint32_t service_rights);

class SharedBlock {
 public:
  explicit SharedBlock(platform::NamedObjects* objects);
  SharedBlock(const SharedBlock&) = delete;
  SharedBlock& operator=(const SharedBlock&) = delete;

  // Creates or opens the section (a null name keeps the stored one), maps it
  // and writes the payload capacity (size - 4) at byte 0. On any failure the
  // block stays unmapped and every later write is skipped.
  void Create(const std::wstring* name, std::int32_t size, bool secured);

  // Copies into the payload at `payload_offset`. Skipped when unmapped or the
  // offset lies outside the payload; cut short at the end of the section.
  void Write(const void* data, std::int64_t payload_offset, std::size_t length);

  // Unmaps and closes; the block may be created again.
  void Release();

  bool Mapped() const { return mapped_; }
  const std::wstring& Name() const { return name_; }
  // The view while mapped, for readers in this process.
  const std::uint8_t* View() const { return mapped_ ? section_->Data() : nullptr; }

 private:
  platform::NamedObjects* objects_;
  std::unique_ptr<platform::SharedSection> section_;
  std::int32_t size_ = 0;
  bool mapped_ = false;
  std::wstring name_;
};

// The handle a record carries. Only handles made here and not yet released
// resolve, so a stale or garbage handle in a record can never be used.
std::uint64_t AdoptSharedBlock(std::unique_ptr<SharedBlock> block);
// Runs `use` on the live block behind `handle`; false when there is none.
template <typename F>
bool WithSharedBlock(std::uint64_t handle, F&& use);
// Releases and forgets the block; false when the handle was not live.
bool ReleaseSharedBlock(std::uint64_t handle);

namespace detail {
// Locks the table of live blocks and returns the block or null.
class LiveBlock {
 public:
  explicit LiveBlock(std::uint64_t handle);
  SharedBlock* get() const { return block_; }

 private:
  std::unique_lock<std::mutex> lock_;
  SharedBlock* block_ = nullptr;
};
}  // namespace detail

template <typename F>
bool WithSharedBlock(std::uint64_t handle, F&& use) {
  detail::LiveBlock live(handle);
  if (!live.get()) return false;
  use(*live.get());
  return true;
}

}  // namespace oro::device_api
