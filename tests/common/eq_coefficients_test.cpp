// The equalizer filters against an independent double-precision peaking
// filter, and against what a filter must do: boost or cut its own centre
// frequency by exactly its gain.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>

#include "oro/common/eq_coefficients.h"

namespace oro::common {
namespace {

constexpr double kFs = 48000.0;

struct Reference {
  double a1, a2, b0, b1, b2;
};

// Peaking filter with the gain split between numerator and denominator,
// normalised so that a0 = 1; the gain in dB, the Q from centre / bandwidth.
Reference DoublePeaking(double fs, double f, double gain_db, double bw) {
  const double a = std::pow(10.0, gain_db / 40.0);
  const double w = 2.0 * M_PI * f / fs;
  const double alpha = std::sin(w) / (2.0 * (f / bw));
  const double a0 = 1.0 + alpha / a;
  return {-2.0 * std::cos(w) / a0, (1.0 - alpha / a) / a0, (1.0 + alpha * a) / a0, -2.0 * std::cos(w) / a0,
          (1.0 - alpha * a) / a0};
}

// |H(e^jw)| in dB, read straight from the stored record order.
double MagnitudeDb(const BiquadCoefficients& c, double w) {
  const std::complex<double> z1 = std::polar(1.0, -w);
  const std::complex<double> z2 = z1 * z1;
  const std::complex<double> num = double(c.b0) + double(c.b1) * z1 + double(c.b2) * z2;
  const std::complex<double> den = 1.0 + double(c.a1) * z1 + double(c.a2) * z2;
  return 20.0 * std::log10(std::abs(num) / std::abs(den));
}

PropertyBlock2 BlockAt(std::uint32_t fs) {
  PropertyBlock2 b;
  b.SetSampleRate(fs);
  return b;
}

TEST(EqCoefficients, MatchADoublePrecisionPeakingFilterForEveryBandAndGain) {
  for (int gain = kEqGainMin; gain <= kEqGainMax; ++gain) {
    PropertyBlock3 gains;
    for (std::size_t i = 0; i < kEqBandCount; ++i) gains.SetGain(i, gain);
    PropertyBlock2 block = BlockAt(48000);
    ComputeEqCoefficients(block, gains);
    for (std::size_t i = 0; i < kEqBandCount; ++i) {
      const BiquadCoefficients got = block.Coefficients(i);
      SCOPED_TRACE("band " + std::to_string(i) + " gain " + std::to_string(gain));
      if (gain == 0) {
        EXPECT_EQ(got.b0, 1.0f);
        EXPECT_EQ(got.a1, 0.0f);
        EXPECT_EQ(got.a2, 0.0f);
        EXPECT_EQ(got.b1, 0.0f);
        EXPECT_EQ(got.b2, 0.0f);
        continue;
      }
      const Reference ref = DoublePeaking(kFs, kEqBands[i].centre_hz, gain, kEqBands[i].bandwidth_hz);
      // A few single-precision steps of rounding on values of size up to 2.
      const double tol = 4e-6;
      EXPECT_NEAR(got.a1, ref.a1, tol);
      EXPECT_NEAR(got.a2, ref.a2, tol);
      EXPECT_NEAR(got.b0, ref.b0, tol);
      EXPECT_NEAR(got.b1, ref.b1, tol);
      EXPECT_NEAR(got.b2, ref.b2, tol);
    }
  }
}

TEST(EqCoefficients, EachFilterReachesItsGainAtItsCentreFrequency) {
  for (int gain = kEqGainMin; gain <= kEqGainMax; ++gain) {
    if (gain == 0) continue;
    for (std::size_t i = 0; i < kEqBandCount; ++i) {
      const BiquadCoefficients c =
          PeakingCoefficients(48000.0f, kEqBands[i].centre_hz, float(gain), kEqBands[i].bandwidth_hz);
      const double w = 2.0 * M_PI * kEqBands[i].centre_hz / kFs;
      EXPECT_NEAR(MagnitudeDb(c, w), gain, 0.1) << "band " << i << " gain " << gain;
      // Far from the centre the filter leaves the signal alone.
      if (kEqBands[i].centre_hz >= 250.0f) {
        EXPECT_NEAR(MagnitudeDb(c, 2.0 * M_PI * 5.0 / kFs), 0.0, 0.5);
      }
    }
  }
}

TEST(EqCoefficients, RewriteTheWholeBandTableWithTheGains) {
  PropertyBlock2 block = BlockAt(48000);
  block.SetBand(3, EqBand{7, 1.0f, 2.0f, 3.0f});  // stale content is replaced
  PropertyBlock3 gains;
  for (std::size_t i = 0; i < kEqBandCount; ++i) gains.SetGain(i, int(i) * 4 - 20);
  ComputeEqCoefficients(block, gains);
  for (std::size_t i = 0; i < kEqBandCount; ++i) {
    const EqBand b = block.Band(i);
    EXPECT_EQ(b.type, 1);
    EXPECT_EQ(b.centre_hz, kEqBands[i].centre_hz);
    EXPECT_EQ(b.bandwidth_hz, kEqBands[i].bandwidth_hz);
    EXPECT_EQ(b.gain_db, float(int(i) * 4 - 20));
  }
}

TEST(EqCoefficients, UseTheBlocksOwnSampleRate) {
  PropertyBlock3 gains;
  gains.SetGain(9, 10);
  PropertyBlock2 at48 = BlockAt(48000);
  PropertyBlock2 at44 = BlockAt(44100);
  ComputeEqCoefficients(at48, gains);
  ComputeEqCoefficients(at44, gains);
  const Reference ref = DoublePeaking(44100.0, 16000.0, 10.0, 10738.0);
  EXPECT_NEAR(at44.Coefficients(9).a1, ref.a1, 4e-6);
  EXPECT_NE(at44.Coefficients(9).a1, at48.Coefficients(9).a1);
}

TEST(EqCoefficients, ABandTheRateCannotCarryStaysFlatInsteadOfBlowingUp) {
  PropertyBlock3 gains;
  for (std::size_t i = 0; i < kEqBandCount; ++i) gains.SetGain(i, 12);
  for (std::uint32_t fs : {0u, 16000u}) {
    PropertyBlock2 block = BlockAt(fs);
    ComputeEqCoefficients(block, gains);
    for (std::size_t i = 0; i < kEqBandCount; ++i) {
      const BiquadCoefficients c = block.Coefficients(i);
      for (float v : {c.a1, c.a2, c.b0, c.b1, c.b2}) EXPECT_TRUE(std::isfinite(v)) << "fs " << fs << " band " << i;
      if (kEqBands[i].centre_hz >= fs / 2.0f) {
        EXPECT_EQ(c.b0, 1.0f);
        EXPECT_EQ(c.a1, 0.0f);
        EXPECT_EQ(c.a2, 0.0f);
      } else {
        // Bands below the rate's limit are still filtered normally.
        EXPECT_NE(c.a1, 0.0f);
      }
    }
    EXPECT_EQ(block.Band(0).gain_db, 12.0f);  // the table still shows what was asked
  }
}

}  // namespace
}  // namespace oro::common
