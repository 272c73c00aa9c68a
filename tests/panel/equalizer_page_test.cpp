// The equalizer page on a recording library: presets, band sliders, the
// exclusive switch, the custom curves across restarts, the response plot and
// the import of correction curves.
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <cmath>
#include <complex>
#include <filesystem>
#include <fstream>

#include "equalizer_page.h"
#include "page_style.h"
#include "panel_fixture.h"
#include "response_plot.h"

namespace oro::test {
namespace {

using common::ListeningMode;

constexpr double kCentres[10] = {30, 60, 120, 250, 500, 1000, 2000, 4000, 8000, 16000};
constexpr double kWidths[10] = {10, 30, 90, 170, 330, 670, 1333, 2685, 5333, 10738};

// Level in dB of the peaking filter of one band at 48 kHz, from its definition.
double PeakDb(int band, double gain, double hz) {
  if (gain == 0) return 0;
  const double a = std::pow(10.0, gain / 40.0), w0 = 2 * M_PI * kCentres[band] / 48000;
  const double alpha = std::sin(w0) * kWidths[band] / (2 * kCentres[band]);
  const std::complex<double> z = std::polar(1.0, -2 * M_PI * hz / 48000);
  return 20 * std::log10(std::abs(((1 + alpha * a) - 2 * std::cos(w0) * z + (1 - alpha * a) * z * z) /
                                  ((1 + alpha / a) - 2 * std::cos(w0) * z + (1 - alpha / a) * z * z)));
}

class EqualizerPageTest : public PanelTest {
 protected:
  void Start(bool equalizer_on) {
    // 7.1, sound field and spatial sound all on, as a hand-edited store could leave them.
    auto* raw = reinterpret_cast<std::uint8_t*>(&api_.stored.Block2());
    raw[1] = raw[15] = raw[33] = 1;
    raw[34] = equalizer_on ? 1 : 0;
    Window();
    api_.Clear();
  }
  panel::EqualizerPage& Page() { return *window_->findChild<panel::EqualizerPage*>(); }
  QSlider* Band(int k) { return Find<QSlider>(("verticalSlider_" + std::to_string(k + 10)).c_str()); }
  std::vector<ApiCall> Sends(int type) {
    std::vector<ApiCall> out;
    for (const ApiCall& c : api_.Calls("setDeviceProperty")) {
      if (c.args[0] == type) out.push_back(c);
    }
    return out;
  }
  std::vector<int> SentGains() {
    const auto sends = Sends(3);
    if (sends.empty()) return {};
    std::vector<int> g;
    for (int k = 0; k < 10; ++k) g.push_back(static_cast<std::int8_t>(sends.back().block[k]));
    return g;
  }
  std::string CurveFile() { return root_.Path() + "/config/eqs.bin"; }
};

TEST_F(EqualizerPageTest, PresetsSendTheirGainsAndMoveSlidersAndLabels) {
  Start(true);
  Find<QPushButton>("btn_jhq5")->click();
  EXPECT_EQ(SentGains(), (std::vector<int>{11, 8, 4, 5, -3, 3, 8, -5, 3, 6}));
  EXPECT_EQ(Band(0)->value(), 31);
  EXPECT_EQ(Band(7)->value(), 15);
  EXPECT_EQ(Find<QLabel>("jhq_lab_17")->text(), "-5");
  EXPECT_NE(Find<QPushButton>("btn_jhq5")->styleSheet().indexOf("background:rgba(110,110,110,1);"), -1);
  EXPECT_NE(Find<QPushButton>("btn_jhq4")->styleSheet().indexOf("background:rgba(0,0,0,1);"), -1);
  // Every type-3 send is followed by the library's block 2 in the working copy.
  EXPECT_EQ(window_->Context().blocks.Block2().Band(0).gain_db, 11.0f);

  Find<QPushButton>("btn_jhq3")->click();
  EXPECT_EQ(SentGains(), (std::vector<int>{-4, 1, -5, -5, -5, 4, 9, 7, -5, -6}));
  // Restore gives the chosen preset again after a slider moved.
  Band(2)->setValue(40);
  EXPECT_EQ(SentGains()[2], 20);
  Find<QPushButton>("pushButton_26")->click();
  EXPECT_EQ(SentGains()[2], -5);
}

TEST_F(EqualizerPageTest, ABandSliderSendsBlockThreeWithExactlyOneByteChanged) {
  Start(true);
  const auto before = std::vector<std::uint8_t>(common::BytesOf(window_->Context().blocks.Block3()),
                                                common::BytesOf(window_->Context().blocks.Block3()) + 32);
  Band(5)->setValue(Band(5)->value() + 1);
  const auto sends = Sends(3);
  ASSERT_EQ(sends.size(), 1u);
  int changed = 0;
  for (std::size_t i = 0; i < 32; ++i) changed += sends[0].block[i] != before[i];
  EXPECT_EQ(changed, 1);
  EXPECT_EQ(static_cast<std::int8_t>(sends[0].block[5]), static_cast<std::int8_t>(before[5]) + 1);
  EXPECT_EQ(Find<QLabel>("jhq_lab_15")->text(), QString::number(static_cast<std::int8_t>(before[5]) + 1));
}

TEST_F(EqualizerPageTest, SwitchingOnClearsTheOtherModesInOneSendAndTheStripFollows) {
  Start(false);
  // Off: nothing reacts, and the sliders let the mouse through.
  EXPECT_TRUE(Band(0)->testAttribute(Qt::WA_TransparentForMouseEvents));
  Find<QPushButton>("btn_jhq0")->click();
  Find<QPushButton>("pushButton_26")->click();
  Find<QComboBox>("comboBox")->setEditText("x");
  Find<QPushButton>("pushButton_25")->click();
  Find<QPushButton>("pushButton_24")->click();
  EXPECT_TRUE(api_.calls.empty());
  EXPECT_TRUE(Page().Curves().Image().curves.empty());

  Find<QPushButton>("pushButton_6")->click();
  const auto sends = Sends(2);
  ASSERT_EQ(sends.size(), 1u);
  EXPECT_EQ(sends[0].block[1], 0);
  EXPECT_EQ(sends[0].block[15], 0);
  EXPECT_EQ(sends[0].block[33], 0);
  EXPECT_EQ(sends[0].block[34], 1);
  EXPECT_FALSE(Band(0)->testAttribute(Qt::WA_TransparentForMouseEvents));
  EXPECT_NE(Find<QLabel>("label_146")->styleSheet().indexOf(panel::kStatusOn), -1);
  EXPECT_NE(Find<QLabel>("label_148")->styleSheet().indexOf(panel::kStatusOff), -1);
  EXPECT_NE(Find<QLabel>("label_150")->styleSheet().indexOf(panel::kStatusOff), -1);
  EXPECT_NE(Find<QPushButton>("pushButton_32")->styleSheet().indexOf("btn_close"), -1);
}

TEST_F(EqualizerPageTest, CustomCurvesAreSavedReplacedLimitedDeletedAndListedAfterARestart) {
  Start(true);
  auto* combo = Find<QComboBox>("comboBox");
  for (int i = 0; i < 10; ++i) {
    Band(0)->setValue(20 + i);
    combo->setEditText(QString("curve %1").arg(i));
    Find<QPushButton>("pushButton_25")->click();
  }
  EXPECT_EQ(combo->count(), 10);
  const auto full = std::filesystem::file_size(CurveFile());
  std::ifstream in(CurveFile(), std::ios::binary);
  const std::string before((std::istreambuf_iterator<char>(in)), {});

  combo->setEditText("an eleventh");
  Find<QPushButton>("pushButton_25")->click();
  EXPECT_EQ(combo->count(), 10);
  std::ifstream again(CurveFile(), std::ios::binary);
  EXPECT_EQ(std::string((std::istreambuf_iterator<char>(again)), {}), before);
  EXPECT_EQ(full, 748u);

  // The same name keeps its place and takes the new gains.
  Band(0)->setValue(3);
  combo->setEditText("curve 4");
  Find<QPushButton>("pushButton_25")->click();
  EXPECT_EQ(combo->count(), 10);
  EXPECT_EQ(Page().Curves().Image().curves[4].gains[0], -17);

  // After a restart the list is there and choosing a curve sends its gains.
  window_.reset();
  Window();
  combo = Find<QComboBox>("comboBox");
  ASSERT_EQ(combo->count(), 10);
  EXPECT_EQ(combo->currentText(), "curve 4");
  api_.Clear();
  combo->setCurrentIndex(7);
  emit combo->textActivated(QString("curve 7"));
  EXPECT_EQ(SentGains().at(0), 7);

  for (int i = 0; i < 10; ++i) {
    combo->setEditText(QString("curve %1").arg(i));
    Find<QPushButton>("pushButton_24")->click();
  }
  EXPECT_EQ(combo->count(), 0);
  EXPECT_TRUE(Page().Curves().Image().curves.empty());
  EXPECT_EQ(Page().Curves().Image().current, 0);
}

TEST_F(EqualizerPageTest, ADamagedCurvesFileListsWhatCanBeReadAndIsKeptAside) {
  // Count 12, current index 40, one curve whose gains run past +-20 dB.
  std::vector<char> bytes(748, 0);
  bytes[0] = 12;
  bytes[4] = 40;
  const char16_t name[] = u"loud";
  for (int i = 0; i < 4; ++i) bytes[8 + 2 * i] = static_cast<char>(name[i]);
  bytes[8 + 64] = 90;
  std::filesystem::create_directories(root_.Path() + "/config");
  std::ofstream(CurveFile(), std::ios::binary).write(bytes.data(), bytes.size());

  Start(true);
  auto* combo = Find<QComboBox>("comboBox");
  ASSERT_EQ(combo->count(), 10);
  EXPECT_EQ(combo->itemText(0), "loud");
  EXPECT_EQ(Page().Curves().Image().curves[0].gains[0], 20);
  EXPECT_FALSE(Find<QLabel>("label_eq_fit")->text().isEmpty());
  emit combo->textActivated("loud");
  EXPECT_EQ(SentGains().at(0), 20);

  combo->setEditText("loud");
  Find<QPushButton>("pushButton_25")->click();
  EXPECT_EQ(std::filesystem::file_size(CurveFile() + ".damaged"), 748u);
  EXPECT_EQ(std::filesystem::file_size(CurveFile()), 748u);
}

TEST_F(EqualizerPageTest, ThePlotShowsTheCombinedResponseOfTheFiltersAsTheSlidersMove) {
  Start(true);
  auto* plot = Find<panel::ResponsePlot>("eq_response");
  ASSERT_NE(plot, nullptr);
  auto at = [&](double hz) {
    for (const auto& p : plot->Points()) {
      if (std::fabs(p.hz - hz) < 1e-6) return p.db;
    }
    ADD_FAILURE() << "no point at " << hz;
    return 0.0;
  };
  Find<QPushButton>("btn_jhq11")->click();  // flat
  Band(5)->setValue(20 + 9);
  EXPECT_NEAR(at(1000), 9, 0.1);

  const int gains[10] = {6, -4, 0, 3, 0, 9, -8, 2, 0, 12};
  for (int k = 0; k < 10; ++k) Band(k)->setValue(20 + gains[k]);
  for (const auto& p : plot->Points()) {
    double expected = 0;
    for (int k = 0; k < 10; ++k) expected += PeakDb(k, gains[k], p.hz);
    EXPECT_NEAR(p.db, expected, 0.1) << p.hz << " Hz";
  }
}

TEST_F(EqualizerPageTest, ImportingACorrectionCurveSavesAndAppliesTheFit) {
  Start(true);
  const std::string csv = root_.Path() + "/studio phones.csv";
  {
    std::ofstream out(csv);
    out << "frequency,raw\n";
    for (double hz = 20; hz < 20000; hz *= 1.02) out << hz << "," << PeakDb(7, -6, hz) << "\n";
  }
  ASSERT_TRUE(Page().ImportCurve(QString::fromStdString(csv)));
  EXPECT_EQ(SentGains(), (std::vector<int>{0, 0, 0, 0, 0, 0, 0, -6, 0, 0}));
  EXPECT_EQ(Find<QComboBox>("comboBox")->currentText(), "studio phones");
  EXPECT_NE(Find<QLabel>("label_eq_fit")->text().indexOf("0.0"), -1)
      << Find<QLabel>("label_eq_fit")->text().toStdString();

  api_.Clear();
  const std::string bad = root_.Path() + "/bad.csv";
  std::ofstream(bad) << "hz,db\n20,1\nforty,2\n";
  EXPECT_FALSE(Page().ImportCurve(QString::fromStdString(bad)));
  EXPECT_FALSE(Page().ImportCurve(QString::fromStdString(root_.Path() + "/missing.csv")));
  EXPECT_TRUE(api_.calls.empty());
  EXPECT_EQ(Find<QComboBox>("comboBox")->count(), 1);
}

}  // namespace
}  // namespace oro::test
