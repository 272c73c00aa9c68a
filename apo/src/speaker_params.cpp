#include "speaker_params.h"

#include <algorithm>
#include <cmath>

#include "oro/common/eq_coefficients.h"

namespace oro::apo {
namespace {

bool Finite(const common::BiquadCoefficients& c) {
  return std::isfinite(c.a1) && std::isfinite(c.a2) && std::isfinite(c.b0) && std::isfinite(c.b1) &&
         std::isfinite(c.b2);
}

bool Identity(const common::BiquadCoefficients& c) {
  return c.b0 == 1.0f && c.b1 == 0.0f && c.b2 == 0.0f && c.a1 == 0.0f && c.a2 == 0.0f;
}

// Poles inside the unit circle (the stability triangle of a second-order section).
bool Stable(const common::BiquadCoefficients& c) { return std::fabs(c.a2) < 1.0f && std::fabs(c.a1) < 1.0f + c.a2; }

// The coefficients of one band at the running rate.
bool BandAt(const common::PropertyBlock2& block, std::size_t band, float rate, common::BiquadCoefficients* out) {
  const auto block_rate = static_cast<float>(block.SampleRate());
  if (block_rate == rate) {
    *out = block.Coefficients(band);
    return true;
  }
  const common::EqBand b = block.Band(band);
  if (!std::isfinite(b.centre_hz) || !std::isfinite(b.gain_db) || !std::isfinite(b.bandwidth_hz)) return false;
  // Only the peaking type is defined; anything else is left flat.
  *out = b.type == common::kEqBands[band].type
             ? common::PeakingCoefficients(rate, b.centre_hz, b.gain_db, b.bandwidth_hz)
             : common::BiquadCoefficients{0, 0, 1, 0, 0};
  return true;
}

int Percent(int v) { return std::clamp(v, 0, 100); }

}  // namespace

SpeakerParams PassThroughParams() noexcept { return SpeakerParams{}; }

bool DecodeSpeakerParams(const common::PropertyBlock2& block, float sample_rate, SpeakerParams* out) noexcept {
  SpeakerParams p;
  if (block.Mode(common::ListeningMode::kEqualizer)) {
    for (std::size_t band = 0; band < common::kEqBandCount; ++band) {
      common::BiquadCoefficients c;
      if (!BandAt(block, band, sample_rate, &c) || !Finite(c)) return false;
      if (Identity(c)) continue;
      if (!Stable(c)) return false;
      p.sections[p.section_count++] = Section{band, c.b0, c.b1, c.b2, c.a1, c.a2};
    }
  }
  // The master volume is the endpoint's own; each channel's volume is heard
  // relative to it, so only the difference between the channels is applied.
  const int master = Percent(block.MasterVolume());
  const int left = Percent(block.LeftVolume());
  const int right = Percent(block.RightVolume());
  const int reference = std::max({master, left, right});
  if (reference > 0) {
    p.left_gain = static_cast<float>(left) / static_cast<float>(reference);
    p.right_gain = static_cast<float>(right) / static_cast<float>(reference);
  }
  *out = p;
  return true;
}

}  // namespace oro::apo
