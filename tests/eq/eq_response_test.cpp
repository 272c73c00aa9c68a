// The drawn response against an evaluation of its own: the ten peaking
// filters recomputed in double precision from their definition and their
// magnitude taken from the closed form of |H|^2.
#include <gtest/gtest.h>

#include <cmath>

#include "oro/common/eq_coefficients.h"
#include "oro/eq/response.h"

namespace oro::eq {
namespace {

struct Band {
  double f, bw;
};
constexpr Band kBands[10] = {{30, 10},    {60, 30},     {120, 90},    {250, 170},   {500, 330},
                             {1000, 670}, {2000, 1333}, {4000, 2685}, {8000, 5333}, {16000, 10738}};

struct Section {
  double b0, b1, b2, a0, a1, a2;
};

// The peaking filter from its definition, in double precision.
Section Designed(int band, double gain, double fs) {
  const double a = std::pow(10.0, gain / 40.0);
  const double w0 = 2 * M_PI * kBands[band].f / fs;
  const double alpha = std::sin(w0) / (2 * kBands[band].f / kBands[band].bw);
  return {1 + alpha * a, -2 * std::cos(w0), 1 - alpha * a, 1 + alpha / a, -2 * std::cos(w0), 1 - alpha / a};
}

// |H|^2 in closed form, in dB.
double SectionDb(const Section& s, double hz, double fs) {
  const double w = 2 * M_PI * hz / fs;
  const double num = s.b0 * s.b0 + s.b1 * s.b1 + s.b2 * s.b2 + 2 * (s.b0 * s.b1 + s.b1 * s.b2) * std::cos(w) +
                     2 * s.b0 * s.b2 * std::cos(2 * w);
  const double den = s.a0 * s.a0 + s.a1 * s.a1 + s.a2 * s.a2 + 2 * (s.a0 * s.a1 + s.a1 * s.a2) * std::cos(w) +
                     2 * s.a0 * s.a2 * std::cos(2 * w);
  return 10 * std::log10(num / den);
}

common::PropertyBlock2 BlockWith(const double gains[10], std::uint32_t fs) {
  common::PropertyBlock2 block;
  block.SetSampleRate(fs);
  common::PropertyBlock3 b3;
  for (int i = 0; i < 10; ++i) b3.SetGain(i, static_cast<int>(gains[i]));
  common::ComputeEqCoefficients(block, b3);
  return block;
}

TEST(EqResponse, OneRaisedBandReachesItsGainAtItsCentre) {
  for (int band = 0; band < 10; ++band) {
    for (int gain : {-20, -7, 1, 6, 20}) {
      double gains[10] = {};
      gains[band] = gain;
      const auto block = BlockWith(gains, 48000);
      EXPECT_NEAR(ResponseDb(block, kBands[band].f), gain, 0.1) << "band " << band << " gain " << gain;
      // Far from the band the curve is flat again.
      const double far = band < 5 ? 15000 : 40;
      EXPECT_NEAR(ResponseDb(block, far), 0, 0.5) << "band " << band;
    }
  }
}

TEST(EqResponse, SeveralBandsAddUpAsTheTenFiltersDo) {
  const double gains[10] = {11, 8, 4, 5, -3, 3, 8, -5, 3, 6};
  for (std::uint32_t fs : {44100u, 48000u}) {
    const auto block = BlockWith(gains, fs);
    for (double hz = 20; hz <= 20000; hz *= 1.07) {
      double stored = 0;    // the records as the processing object reads them
      double designed = 0;  // what the filters are meant to be
      for (int b = 0; b < 10; ++b) {
        const auto c = block.Coefficients(b);
        stored += SectionDb({c.b0, c.b1, c.b2, 1, c.a1, c.a2}, hz, fs);
        designed += SectionDb(Designed(b, gains[b], fs), hz, fs);
      }
      EXPECT_NEAR(ResponseDb(block, hz), stored, 1e-3) << hz << " Hz at " << fs;
      // Single-precision records stay close to the design, even at 30 Hz.
      EXPECT_NEAR(ResponseDb(block, hz), designed, 0.1) << hz << " Hz at " << fs;
    }
  }
}

TEST(EqResponse, TheCurveIsReadFromTheStoredCoefficientsNotRecomputed) {
  const double gains[10] = {0, 0, 0, 0, 0, 6, 0, 0, 0, 0};
  auto block = BlockWith(gains, 48000);
  // A block sent with type 2 carries its own tables; the plot shows those.
  block.SetCoefficients(5, common::BiquadCoefficients{0, 0, 0.5f, 0, 0});
  EXPECT_NEAR(ResponseDb(block, 1000), 20 * std::log10(0.5), 1e-6);
  // Records of zeros (a block never computed) give a deep notch, not a crash or NaN.
  common::PropertyBlock2 zeros;
  EXPECT_TRUE(std::isfinite(ResponseDb(zeros, 1000)));
}

}  // namespace
}  // namespace oro::eq
