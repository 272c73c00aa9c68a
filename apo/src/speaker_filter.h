// The filter as the sound server runs it: on every buffer it looks at the
// section, takes up a changed block 2 and processes the buffer with it. A
// section that is absent, of another layout or carrying a block that cannot
// be applied leaves the audio untouched.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "section_watch.h"
#include "stereo_processor.h"

namespace oro::apo {

class SpeakerFilter {
 public:
  SpeakerFilter(float sample_rate, std::string run_dir);

  // A new stream: the filters forget their history.
  void Activate() noexcept;
  void Run(const float* in_left, const float* in_right, float* out_left, float* out_right, std::size_t frames) noexcept;
  // How many published blocks the filter has taken up so far.
  std::uint64_t BlocksTaken() const noexcept { return blocks_taken_; }

 private:
  void PickUp() noexcept;

  const float sample_rate_;
  SectionWatch watch_;
  StereoProcessor processor_;
  std::uint8_t seen_[kWatchedBytes] = {};
  bool have_seen_ = false;
  std::uint64_t blocks_taken_ = 0;
};

}  // namespace oro::apo
