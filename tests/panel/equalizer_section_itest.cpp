// End to end on the simulated machine: the 1 kHz slider of the real panel,
// on the real library, changes the coefficients that the stand-in processing
// object reads from the shared section in its own process, to the values a
// peaking filter computed here in double precision has.
#include <gtest/gtest.h>

#include <QPushButton>
#include <QSlider>
#include <cmath>
#include <memory>

#include "main_window.h"
#include "oro/common/property_blocks.h"
#include "panel_settings.h"
#include "section_device_api.h"
#include "temp_root.h"

namespace oro::test {
namespace {

// Block 2 as the processing object's reader prints it: "capacity b1hex b2hex".
bool ReadSectionBlock2(const std::string& root, common::PropertyBlock2* block) {
  std::string out;
  if (RunCommand("ORO_PLATFORM=sim ORO_ROOT='" + root + "' '" + BuiltFile("oro-apo-reader") + "'", &out) != 0) {
    ADD_FAILURE() << out;
    return false;
  }
  const auto first = out.find(' ');
  const auto second = out.find(' ', first + 1);
  const std::string hex = out.substr(second + 1, common::PropertyBlock2::kSize * 2);
  if (second == std::string::npos || hex.size() != common::PropertyBlock2::kSize * 2) {
    ADD_FAILURE() << out;
    return false;
  }
  std::uint8_t bytes[common::PropertyBlock2::kSize];
  for (std::size_t i = 0; i < sizeof bytes; ++i)
    bytes[i] = static_cast<std::uint8_t>(std::stoi(hex.substr(2 * i, 2), nullptr, 16));
  *block = common::BlockFromBytes<common::PropertyBlock2>(bytes);
  return true;
}

TEST(EqualizerSection, TheOneKilohertzSliderReachesTheProcessingObjectsCoefficients) {
  TempRoot root;
  SectionDeviceApi api(root.Path());
  panel::PanelSettings settings(*api.Platform().registry, api.Platform().system.get());
  panel::demo::Options options;
  options.app_folder = QString::fromLatin1(ORO_BIN_DIR);
  options.curve_file = QString::fromStdString(root.Path() + "/config/eqs.bin");
  auto window = std::make_unique<panel::demo>(api, settings, options);
  ASSERT_TRUE(window->Initialise());

  window->findChild<QPushButton*>("pushButton_6")->click();  // equalizer on
  window->findChild<QSlider*>("verticalSlider_15")->setValue(20 + 7);

  common::PropertyBlock2 seen;
  ASSERT_TRUE(ReadSectionBlock2(root.Path(), &seen));
  EXPECT_TRUE(seen.Mode(common::ListeningMode::kEqualizer));
  EXPECT_EQ(seen.Band(5).gain_db, 7.0f);

  const double a = std::pow(10.0, 7 / 40.0), w0 = 2 * M_PI * 1000 / 48000.0;
  const double alpha = std::sin(w0) / (2 * (1000 / 670.0));
  const double a0 = 1 + alpha / a;
  const common::BiquadCoefficients c = seen.Coefficients(5);
  EXPECT_NEAR(c.b0, (1 + alpha * a) / a0, 1e-5);
  EXPECT_NEAR(c.b1, -2 * std::cos(w0) / a0, 1e-5);
  EXPECT_NEAR(c.b2, (1 - alpha * a) / a0, 1e-5);
  EXPECT_NEAR(c.a1, -2 * std::cos(w0) / a0, 1e-5);
  EXPECT_NEAR(c.a2, (1 - alpha / a) / a0, 1e-5);
  // The other bands stay flat.
  EXPECT_EQ(seen.Coefficients(4).b0, 1.0f);
  EXPECT_EQ(seen.Coefficients(4).a1, 0.0f);

  // A later volume change sends block 2 again; the coefficients travel with it.
  window->findChild<QSlider*>("verticalSlider_4")->setValue(33);
  ASSERT_TRUE(ReadSectionBlock2(root.Path(), &seen));
  EXPECT_EQ(seen.MasterVolume(), 33);
  EXPECT_NEAR(seen.Coefficients(5).b0, (1 + alpha * a) / a0, 1e-5);
  window.reset();
}

}  // namespace
}  // namespace oro::test
