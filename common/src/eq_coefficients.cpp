#include "oro/common/eq_coefficients.h"

#include <cmath>

namespace oro::common {

BiquadCoefficients PeakingCoefficients(float fs, float centre_hz, float gain_db, float bandwidth_hz) {
  BiquadCoefficients c;
  c.b0 = 1.0f;
  if (gain_db == 0.0f) return c;
  if (!(centre_hz < fs / 2.0f) || !(bandwidth_hz > 0.0f)) return c;

  // Only the level conversion runs in double; everything else stays in single
  // precision so the numbers match what has always been published.
  const float a = static_cast<float>(std::sqrt(std::pow(10.0, static_cast<double>(gain_db) / 20.0)));
  const float q = centre_hz / bandwidth_hz;
  const float w = 2.0f * kEqPi * centre_hz / fs;
  const float alpha = std::sin(w) / (2.0f * q);
  const float cos_w = std::cos(w);
  const float a0 = 1.0f + alpha / a;

  c.b0 = (1.0f + alpha * a) / a0;
  c.b1 = -2.0f * cos_w / a0;
  c.b2 = (1.0f - alpha * a) / a0;
  c.a1 = -2.0f * cos_w / a0;
  c.a2 = (1.0f - alpha / a) / a0;
  return c;
}

void ComputeEqCoefficients(PropertyBlock2& block2, const PropertyBlock3& gains) {
  const float fs = static_cast<float>(block2.SampleRate());
  for (std::size_t i = 0; i < kEqBandCount; ++i) {
    const EqBandDefinition& def = kEqBands[i];
    const float gain = static_cast<float>(gains.Gain(i));
    block2.SetBand(i, EqBand{def.type, def.centre_hz, gain, def.bandwidth_hz});
    block2.SetCoefficients(i, PeakingCoefficients(fs, def.centre_hz, gain, def.bandwidth_hz));
  }
}

}  // namespace oro::common
