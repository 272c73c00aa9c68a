#include "speaker_filter.h"

#include <cstring>
#include <utility>

#include "oro/common/property_blocks.h"

namespace oro::apo {
namespace {

constexpr std::int32_t kKitCapacity = common::kSectionSize - static_cast<std::int32_t>(common::kSectionHeaderSize);

SpeakerParams FromSection(const std::uint8_t* bytes, float rate) noexcept {
  const std::int32_t capacity = static_cast<std::int32_t>(
      static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
      (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24));
  // A section of another size, or one nobody has filled yet, carries no blocks.
  if (capacity != kKitCapacity) return PassThroughParams();
  const auto block =
      common::BlockFromBytes<common::PropertyBlock2>(bytes + common::kSectionHeaderSize + common::kBlock2PayloadOffset);
  SpeakerParams p;
  return DecodeSpeakerParams(block, rate, &p) ? p : PassThroughParams();
}

}  // namespace

SpeakerFilter::SpeakerFilter(float sample_rate, std::string run_dir)
    : sample_rate_(sample_rate), watch_(std::move(run_dir)) {}

void SpeakerFilter::Activate() noexcept { processor_.Reset(); }

void SpeakerFilter::PickUp() noexcept {
  std::uint8_t now[kWatchedBytes];
  if (!watch_.Read(now)) return;
  if (have_seen_ && std::memcmp(now, seen_, kWatchedBytes) == 0) return;
  std::memcpy(seen_, now, kWatchedBytes);
  have_seen_ = true;
  ++blocks_taken_;
  processor_.Change(FromSection(now, sample_rate_));
}

void SpeakerFilter::Run(const float* in_left, const float* in_right, float* out_left, float* out_right,
                        std::size_t frames) noexcept {
  PickUp();
  processor_.Process(in_left, in_right, out_left, out_right, frames);
}

}  // namespace oro::apo
