// The magnitude response of the equalizer as the processing object applies
// it: the ten second-order sections of block 2 in cascade, evaluated from the
// coefficient records exactly as stored there.
#pragma once

#include <cstddef>
#include <vector>

#include "oro/common/property_blocks.h"

namespace oro::eq {

// Rate used for a block that names none (the library never leaves it 0,
// but a hand-edited store might).
constexpr double kFallbackSampleRate = 48000.0;

// |H| in dB of one section at `hz` for sample rate `fs`.
double SectionResponseDb(const common::BiquadCoefficients& c, double hz, double fs);

// Sum of the ten sections' responses in dB at `hz`, at block 2's own rate.
double ResponseDb(const common::PropertyBlock2& block, double hz);

// `count` frequencies spaced evenly on a log scale from `from` to `to`,
// both included (count >= 2).
std::vector<double> LogFrequencies(double from, double to, std::size_t count);

struct ResponsePoint {
  double hz;
  double db;
};
std::vector<ResponsePoint> ResponseCurve(const common::PropertyBlock2& block, const std::vector<double>& hz);

}  // namespace oro::eq
