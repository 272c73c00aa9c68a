#include "speaker_filter.h"

#include <cstring>
#include <utility>

#include "oro/common/section_codec.h"

namespace oro::apo {
namespace {

SpeakerParams FromSection(const std::uint8_t* bytes, float rate) noexcept {
  const common::SectionContents contents = common::DecodeSection(bytes);
  // A section of another size, or one nobody has filled yet, carries no blocks.
  if (!contents.kit_layout) return PassThroughParams();
  SpeakerParams p;
  return DecodeSpeakerParams(contents.block2, rate, &p) ? p : PassThroughParams();
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
