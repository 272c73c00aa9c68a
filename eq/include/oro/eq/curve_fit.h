// Fits the ten equalizer bands to a wanted curve: least squares on the
// magnitude response in dB, using the very filters the library derives from
// the gains, with whole-dB gains within -20..+20 as block 3 holds them.
#pragma once

#include <string>
#include <vector>

#include "oro/eq/curve_csv.h"
#include "oro/eq/curve_file.h"

namespace oro::eq {

// The band of the fit: the audible range, and below the Nyquist limit.
constexpr double kFitLowHz = 20.0;
constexpr double kFitHighHz = 20000.0;

struct BandFit {
  Gains gains{};
  double rms_error_db = 0;  // remaining error over the fitted range
  double max_error_db = 0;
  double low_hz = 0;  // the range the curve covered and the fit used
  double high_hz = 0;
  std::string error;  // when the curve does not reach the audible range
};

// The curve is read on a 1/24-octave grid (linear in log frequency between
// its points, never extrapolated), so a densely measured region weighs no more
// than a sparse one.
BandFit FitBands(const std::vector<CurvePoint>& curve, double fs = 48000.0);

// The response in dB that the given gains produce at `hz`.
double GainsResponseDb(const Gains& gains, double hz, double fs = 48000.0);

}  // namespace oro::eq
