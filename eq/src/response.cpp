#include "oro/eq/response.h"

#include <cmath>
#include <complex>

namespace oro::eq {
namespace {

double RateOf(const common::PropertyBlock2& block) {
  const double fs = block.SampleRate();
  return fs > 0 ? fs : kFallbackSampleRate;
}

}  // namespace

double SectionResponseDb(const common::BiquadCoefficients& c, double hz, double fs) {
  const double w = 2.0 * M_PI * hz / fs;
  const std::complex<double> z1 = std::polar(1.0, -w);
  const std::complex<double> z2 = z1 * z1;
  const std::complex<double> num = double(c.b0) + double(c.b1) * z1 + double(c.b2) * z2;
  const std::complex<double> den = 1.0 + double(c.a1) * z1 + double(c.a2) * z2;
  const double num_abs = std::abs(num);
  const double den_abs = std::abs(den);
  // A zero on the unit circle (or a record of zeros) is drawn as a deep notch, not -inf.
  constexpr double kFloor = 1e-12;
  return 20.0 * std::log10(std::max(num_abs, kFloor) / std::max(den_abs, kFloor));
}

double ResponseDb(const common::PropertyBlock2& block, double hz) {
  const double fs = RateOf(block);
  double db = 0;
  for (std::size_t i = 0; i < common::kEqBandCount; ++i) db += SectionResponseDb(block.Coefficients(i), hz, fs);
  return db;
}

std::vector<double> LogFrequencies(double from, double to, std::size_t count) {
  std::vector<double> out;
  if (count < 2) count = 2;
  const double step = std::log(to / from) / static_cast<double>(count - 1);
  for (std::size_t i = 0; i < count; ++i) out.push_back(from * std::exp(step * static_cast<double>(i)));
  out.back() = to;
  return out;
}

std::vector<ResponsePoint> ResponseCurve(const common::PropertyBlock2& block, const std::vector<double>& hz) {
  std::vector<ResponsePoint> out;
  out.reserve(hz.size());
  for (double f : hz) out.push_back({f, ResponseDb(block, f)});
  return out;
}

}  // namespace oro::eq
