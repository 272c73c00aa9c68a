// The filter's link to the parameter section. A helper thread opens the
// section by name (retrying until the panel has created it) and hands the
// mapping over through an atomic pointer; the audio thread then reads it with
// plain loads, never a lock, a system call or an allocation.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "oro/common/section_codec.h"
#include "oro/platform/named_objects.h"

namespace oro::apo {

// Bytes the filter reads from the start of the section: the header and both
// blocks.
constexpr std::size_t kWatchedBytes = common::kSectionReadSize;

class SectionWatch {
 public:
  // run_dir: where the section's file lives (the state folder of the
  // environment the filter runs in).
  explicit SectionWatch(std::string run_dir);
  ~SectionWatch();
  SectionWatch(const SectionWatch&) = delete;
  SectionWatch& operator=(const SectionWatch&) = delete;

  // Audio thread: a consistent copy of the watched bytes. False when the
  // section is not open, or the writer kept changing it while it was read (the
  // caller keeps what it had and asks again next buffer).
  bool Read(std::uint8_t (&out)[kWatchedBytes]) noexcept;

 private:
  void Open();

  std::string run_dir_;
  std::unique_ptr<platform::NamedObjects> objects_;
  std::unique_ptr<platform::SharedSection> section_;
  std::atomic<const std::uint8_t*> view_{nullptr};
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::thread opener_;
};

}  // namespace oro::apo
