#include "section_watch.h"

#include <chrono>
#include <cstring>
#include <utility>

#include "oro/common/property_blocks.h"
#include "oro/platform/make_platform.h"

namespace oro::apo {
namespace {

static_assert(kWatchedBytes ==
              common::kSectionHeaderSize + common::kBlock2PayloadOffset + common::PropertyBlock2::kSize);

// How often the helper looks for a section that is not there yet.
constexpr std::chrono::milliseconds kRetry{200};
// Attempts at a copy the writer did not change underneath.
constexpr int kReadAttempts = 4;

void Copy(const volatile std::uint8_t* view, std::uint8_t* out) {
  // Through volatile: the writer is another process, every byte must be read now.
  for (std::size_t i = 0; i < kWatchedBytes; ++i) out[i] = view[i];
}

}  // namespace

SectionWatch::SectionWatch(std::string run_dir) : run_dir_(std::move(run_dir)) {
  opener_ = std::thread([this] { Open(); });
}

SectionWatch::~SectionWatch() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  opener_.join();
  view_.store(nullptr, std::memory_order_release);
}

void SectionWatch::Open() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stopping_) {
    try {
      if (!objects_) {
        platform::StatePaths paths;
        paths.run_dir = run_dir_;
        objects_ = platform::MakeNamedObjects(paths);
      }
      std::unique_ptr<platform::SharedSection> section;
      if (objects_->OpenSection(common::kSectionName, common::kSectionSize, &section) == platform::err::kSuccess &&
          section && section->Size() >= kWatchedBytes) {
        section_ = std::move(section);
        view_.store(section_->Data(), std::memory_order_release);
        return;  // held until the filter goes away
      }
    } catch (...) {
      // Out of memory or a broken folder: try again later.
    }
    wake_.wait_for(lock, kRetry, [this] { return stopping_; });
  }
}

bool SectionWatch::Read(std::uint8_t (&out)[kWatchedBytes]) noexcept {
  const std::uint8_t* view = view_.load(std::memory_order_acquire);
  if (!view) return false;
  std::uint8_t again[kWatchedBytes];
  Copy(view, out);
  for (int i = 0; i < kReadAttempts; ++i) {
    Copy(view, again);
    if (std::memcmp(out, again, kWatchedBytes) == 0) return true;
    std::memcpy(out, again, kWatchedBytes);
  }
  return false;
}

}  // namespace oro::apo
