// The ten-band equalizer: the built-in band table and the peaking filters the
// library derives from the gains of block 3. The processing object filters
// with exactly these single-precision numbers, so the arithmetic is fixed.
#pragma once

#include <array>
#include <cstdint>

#include "oro/common/property_blocks.h"

namespace oro::common {

struct EqBandDefinition {
  std::uint16_t type;
  float centre_hz;
  float bandwidth_hz;
  const char* label;  // how people name the band: "30", "1k", "16k"
};

inline constexpr std::array<EqBandDefinition, kEqBandCount> kEqBands = {{
    {1, 30.0f, 10.0f, "30"},
    {1, 60.0f, 30.0f, "60"},
    {1, 120.0f, 90.0f, "120"},
    {1, 250.0f, 170.0f, "250"},
    {1, 500.0f, 330.0f, "500"},
    {1, 1000.0f, 670.0f, "1k"},
    {1, 2000.0f, 1333.0f, "2k"},
    {1, 4000.0f, 2685.0f, "4k"},
    {1, 8000.0f, 5333.0f, "8k"},
    {1, 16000.0f, 10738.0f, "16k"},
}};

// The value of pi the coefficients have always been computed with.
constexpr float kEqPi = 3.1415925f;

// Peaking filter of one band at sample rate fs. A gain of exactly 0 gives the
// identity record (b0 = 1, everything else 0), as does a band that the
// sample rate cannot carry (centre at or above fs / 2, fs = 0 included),
// where the formula would give an unstable or NaN filter.
BiquadCoefficients PeakingCoefficients(float fs, float centre_hz, float gain_db, float bandwidth_hz);

// Rewrites the band table and the coefficient records of block 2 from the
// built-in table and the gains of block 3, at block 2's own sample rate.
void ComputeEqCoefficients(PropertyBlock2& block2, const PropertyBlock3& gains);

}  // namespace oro::common
