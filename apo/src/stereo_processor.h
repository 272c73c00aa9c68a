// The audio path of the filter: a cascade of second-order sections per
// channel, then the channel gains. A parameter change is crossfaded over the
// next buffer, old settings out and new ones in, so no change clicks and every
// change is complete at the end of the buffer it arrived in. Nothing here
// allocates or locks.
#pragma once

#include <cstddef>

#include "speaker_params.h"

namespace oro::apo {

class StereoProcessor {
 public:
  StereoProcessor() noexcept;

  // Forgets the filters' history (the stream starts anew).
  void Reset() noexcept;
  // Takes effect over the next Process call.
  void Change(const SpeakerParams& params) noexcept;
  // Inputs and outputs may be the same buffers.
  void Process(const float* in_left, const float* in_right, float* out_left, float* out_right,
               std::size_t frames) noexcept;

 private:
  struct History {
    double s1 = 0, s2 = 0;
  };
  using ChannelHistory = History[common::kEqBandCount];

  void Run(const float* in, float* out, std::size_t frames, int channel) noexcept;

  SpeakerParams current_;
  SpeakerParams next_;
  bool changing_ = false;
  ChannelHistory history_[2];
  ChannelHistory next_history_[2];
};

}  // namespace oro::apo
