// Headphone correction curves: reading the published text form, and fitting
// the ten bands to it. Wanted curves are built here from their own formula.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <fstream>

#include "oro/eq/curve_fit.h"
#include "oro/eq/presets.h"
#include "temp_root.h"

namespace oro::eq {
namespace {

constexpr double kCentres[10] = {30, 60, 120, 250, 500, 1000, 2000, 4000, 8000, 16000};
constexpr double kWidths[10] = {10, 30, 90, 170, 330, 670, 1333, 2685, 5333, 10738};

// Level in dB of a peaking filter at 48 kHz, in double precision.
double PeakDb(int band, double gain, double hz) {
  const double fs = 48000, a = std::pow(10.0, gain / 40.0);
  const double w0 = 2 * M_PI * kCentres[band] / fs;
  const double alpha = std::sin(w0) * kWidths[band] / (2 * kCentres[band]);
  const std::complex<double> z = std::polar(1.0, -2 * M_PI * hz / fs);
  const auto h = ((1 + alpha * a) - 2 * std::cos(w0) * z + (1 - alpha * a) * z * z) /
                 ((1 + alpha / a) - 2 * std::cos(w0) * z + (1 - alpha / a) * z * z);
  return 20 * std::log10(std::abs(h));
}

// A measurement-style sampling: 1/48 octave from 20 Hz to 20 kHz.
std::vector<CurvePoint> Sampled(double (*level)(double)) {
  std::vector<CurvePoint> points;
  for (double hz = 20; hz <= 20000; hz *= std::pow(2.0, 1.0 / 48)) points.push_back({hz, level(hz)});
  return points;
}

TEST(EqFit, OneBandsOwnFilterComesBackAsThatBand) {
  const BandFit fit = FitBands(Sampled([](double hz) { return PeakDb(5, 6, hz); }));
  ASSERT_TRUE(fit.error.empty()) << fit.error;
  for (int b = 0; b < 10; ++b) {
    if (b == 5) {
      EXPECT_NEAR(fit.gains[b], 6, 0.5);
    } else {
      EXPECT_LE(std::abs(fit.gains[b]), 1) << "band " << b;
    }
  }
  EXPECT_LT(fit.rms_error_db, 0.3);
}

TEST(EqFit, AFlatCurveGivesAFlatCurveAndAPresetComesBackAsItself) {
  const BandFit flat = FitBands({{20, 0}, {1000, 0}, {20000, 0}});
  EXPECT_EQ(flat.gains, Gains{});
  EXPECT_NEAR(flat.rms_error_db, 0, 1e-9);

  // The response of the bass-boost preset, computed here, fitted back.
  const BandFit bass = FitBands(Sampled([](double hz) {
    double db = 0;
    for (int b = 0; b < 10; ++b) db += PeakDb(b, kPresetGains[8][b], hz);
    return db;
  }));
  for (int b = 0; b < 10; ++b) EXPECT_NEAR(bass.gains[b], kPresetGains[8][b], 1) << "band " << b;
  EXPECT_LT(bass.rms_error_db, 0.5);
}

TEST(EqFit, WhatTheBandsCannotFollowIsReportedAsRemainingError) {
  // A 30 dB step is beyond +-20 dB bands: the fit stays in range and says how far off it is.
  const BandFit fit = FitBands({{20, -30}, {999, -30}, {1001, 30}, {20000, 30}});
  for (int g : fit.gains) EXPECT_TRUE(g >= -20 && g <= 20);
  EXPECT_GT(fit.rms_error_db, 3);
  EXPECT_GE(fit.max_error_db, fit.rms_error_db);
  // A curve wholly above the audible range cannot be fitted.
  EXPECT_FALSE(FitBands({{21000, 1}, {22000, 2}}).error.empty());
}

TEST(EqCsv, PublishedFormsAreRead) {
  const CsvCurve c = ParseCurveCsv(
      "\xEF\xBB\xBF"
      "frequency,raw\r\n20,-1.5\r\n\r\n1000.5, +2\r\n2e4\t-0.25\r\n");
  ASSERT_TRUE(c.error.empty()) << c.error;
  ASSERT_EQ(c.points.size(), 3u);
  EXPECT_DOUBLE_EQ(c.points[1].hz, 1000.5);
  EXPECT_DOUBLE_EQ(c.points[1].db, 2);
  EXPECT_DOUBLE_EQ(c.points[2].hz, 20000);
  EXPECT_DOUBLE_EQ(c.points[2].db, -0.25);
  // No header is fine too.
  EXPECT_EQ(ParseCurveCsv("20;1\n30;2").points.size(), 2u);
}

TEST(EqCsv, MalformedOrEmptyTextIsRefusedWithItsLine) {
  const struct {
    std::string text;
    const char* error;
  } cases[] = {
      {"", "no curve"},
      {"frequency,raw\n", "no curve"},
      {"20,1\n", "no curve"},
      {"20,1\n30,2\nthirty,3\n", "line 3"},
      {"hz,db\n20,1\n30\n", "line 3"},
      {"20,1\n30,2,4\n", "line 2"},
      {"20,1\n20,2\n", "line 2: frequencies must rise"},
      {"20,1\n10,2\n", "line 2: frequencies must rise"},
      {"0,1\n10,2\n", "line 1"},
      {"20,1\n30,nan\n", "line 2"},
      {"20,1\n30,1e308\n", "line 2: the level"},
      {"20,1\n30,2 dB\n", "line 2"},
      {"20,1\n30,2\n40,\n", "line 3"},
      {std::string("20,1\n30,\0\n", 9), "line 2: not a text"},
  };
  for (const auto& c : cases) {
    const CsvCurve parsed = ParseCurveCsv(c.text);
    EXPECT_TRUE(parsed.points.empty()) << c.text;
    EXPECT_NE(parsed.error.find(c.error), std::string::npos) << c.text << " -> " << parsed.error;
  }
}

TEST(EqCsv, FilesAreBoundedInSize) {
  test::TempRoot root;
  const std::string big = root.Path() + "/big.csv";
  {
    std::ofstream out(big);
    for (int i = 1; out.tellp() <= static_cast<std::streamoff>(kCsvSizeLimit); ++i) out << i << ",0\n";
  }
  EXPECT_NE(ReadCurveCsv(big).error.find("expected at most 4194304"), std::string::npos);
  EXPECT_NE(ReadCurveCsv(root.Path() + "/none.csv").error.find("No such file"), std::string::npos);
}

}  // namespace
}  // namespace oro::eq
