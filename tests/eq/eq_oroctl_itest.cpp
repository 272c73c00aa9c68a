// oroctl eq import and eq response, as separate processes on one state
// folder: the curve lands in the panel's curves file, and the response is the
// one the processing object's coefficients give.
#include <cmath>
#include <fstream>
#include <sstream>

#include "../device_api/property_fixture.h"
#include "oro/eq/curve_store.h"

namespace oro::test {
namespace {

class EqOroctlTest : public PropertyTest {
 protected:
  int Oroctl(const std::string& args, std::string* out) {
    return RunCommand("ORO_PLATFORM=sim ORO_ROOT='" + root_.Path() + "' '" + BuiltFile("oroctl") + "' " + args, out);
  }
  std::string WriteCsv(const std::string& name, const std::string& text) {
    const std::string path = root_.Path() + "/" + name;
    std::ofstream(path) << text;
    return path;
  }
};

// +4 dB of the 2 kHz band's own filter, sampled like a published measurement.
std::string TwoKiloHertzCurve() {
  std::ostringstream csv;
  csv << "frequency,raw\n";
  const double fs = 48000, a = std::pow(10.0, 4 / 40.0), w0 = 2 * M_PI * 2000 / fs;
  const double alpha = std::sin(w0) * 1333 / (2 * 2000);
  for (double hz = 20; hz < 20000; hz *= 1.03) {
    const double w = 2 * M_PI * hz / fs;
    auto mag2 = [&](double x0, double x1, double x2) {
      return x0 * x0 + x1 * x1 + x2 * x2 + 2 * (x0 * x1 + x1 * x2) * std::cos(w) + 2 * x0 * x2 * std::cos(2 * w);
    };
    const double db = 10 * std::log10(mag2(1 + alpha * a, -2 * std::cos(w0), 1 - alpha * a) /
                                      mag2(1 + alpha / a, -2 * std::cos(w0), 1 - alpha / a));
    csv << hz << "," << db << "\n";
  }
  return csv.str();
}

TEST_F(EqOroctlTest, ImportSavesTheFittedCurveAndApplyMakesItTheResponse) {
  std::string out;
  ASSERT_EQ(Oroctl("eq import '" + WriteCsv("my phones.csv", TwoKiloHertzCurve()) + "' --apply", &out), 0) << out;
  EXPECT_NE(out.find("2k=+4"), std::string::npos) << out;
  EXPECT_NE(out.find("remaining error"), std::string::npos) << out;

  eq::CurveStore store(eq::CurveStore::PathIn(root_.Path()));
  ASSERT_EQ(store.Load().status, eq::CurveStore::LoadStatus::kLoaded);
  ASSERT_EQ(store.Image().curves.size(), 1u);
  EXPECT_EQ(store.Image().curves[0].name, L"my phones");
  EXPECT_EQ(store.Image().curves[0].gains, (eq::Gains{0, 0, 0, 0, 0, 0, 4, 0, 0, 0}));

  // Applied through the library: the response reads the stored coefficients.
  ASSERT_EQ(Oroctl("eq response --json --points 4", &out), 0) << out;
  EXPECT_NE(out.find("\"source\": \"settings\""), std::string::npos) << out;
  EXPECT_NE(out.find("{\"hz\": 2000, \"gain_db\": 4,"), std::string::npos) << out;

  // While a panel publishes the section, the response is the section's.
  Load();
  common::PropertyBlock3 gains;
  gains.SetGain(0, -7);
  ASSERT_EQ(setDeviceProperty(&record_, 3, &gains), ORO_OK);
  ASSERT_EQ(Oroctl("eq response --json --points 2", &out), 0) << out;
  EXPECT_NE(out.find("\"source\": \"section\""), std::string::npos) << out;
  EXPECT_NE(out.find("{\"hz\": 30, \"gain_db\": -7,"), std::string::npos) << out;
}

TEST_F(EqOroctlTest, ABadFileSavesNothing) {
  std::string out;
  eq::CurveStore store(eq::CurveStore::PathIn(root_.Path()));
  store.Load();
  ASSERT_EQ(store.Save(L"kept", eq::Gains{1}).status, eq::CurveStore::SaveStatus::kAdded);

  EXPECT_EQ(Oroctl("eq import '" + WriteCsv("bad.csv", "hz,db\n20,1\n40,oops\n") + "'", &out), 1);
  EXPECT_NE(out.find("line 3"), std::string::npos) << out;
  EXPECT_EQ(Oroctl("eq import '" + WriteCsv("empty.csv", "") + "'", &out), 1);
  EXPECT_EQ(Oroctl("eq import", &out), 2);

  eq::CurveStore reread(eq::CurveStore::PathIn(root_.Path()));
  reread.Load();
  ASSERT_EQ(reread.Image().curves.size(), 1u);
  EXPECT_EQ(reread.Image().curves[0].name, L"kept");
}

}  // namespace
}  // namespace oro::test
