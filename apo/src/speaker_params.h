// What the filter applies from block 2: the ten equalizer sections when the
// equalizer is on, and the left/right balance. Everything else in the block
// belongs to processing outside the kit and is ignored here.
#pragma once

#include <cstddef>

#include "oro/common/property_blocks.h"

namespace oro::apo {

// One second-order section, a0 = 1, kept in double so a long cascade of
// low-frequency sections does not drift.
struct Section {
  std::size_t band = 0;
  double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;
};

struct SpeakerParams {
  // Sections that change the sound, in band order; identity bands are left
  // out so a flat curve costs nothing.
  std::size_t section_count = 0;
  Section sections[common::kEqBandCount];
  float left_gain = 1.0f;
  float right_gain = 1.0f;
};

// The parameters as heard at `sample_rate`. When block 2 was computed for
// another rate, its bands are recomputed for this one, since the stored
// coefficients would put every band in the wrong place. False when the block
// cannot be applied safely (a coefficient that is not finite, a section that
// would oscillate): the caller then passes audio through untouched.
bool DecodeSpeakerParams(const common::PropertyBlock2& block, float sample_rate, SpeakerParams* out) noexcept;

// Untouched audio.
SpeakerParams PassThroughParams() noexcept;

}  // namespace oro::apo
