// oro_panel_page_shots OUT_DIR: pictures of the sound pages in Chinese and
// English, as a user sees them, drawn offscreen on a recording library with
// a sample of settings (equalizer on with a bass boost, a turned sound field).
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <cstdio>

#include "main_window.h"
#include "oro/common/eq_coefficients.h"
#include "oro/eq/presets.h"
#include "oro/platform/make_platform.h"
#include "panel_fonts.h"
#include "panel_settings.h"
#include "recording_device_api.h"
#include "temp_root.h"

namespace {

using namespace oro;

common::DeviceInfo Sample() {
  common::DeviceInfo record{};
  auto& b1 = record.Block1();
  b1.SetMicSampleRate(48000);
  b1.SetMicVolume(64);
  b1.SetMonitorVolume(35);
  b1.SetNoiseReductionStrength(60);
  b1.SetNoiseReduction(true);
  b1.SetVoiceChanger(true);
  b1.SetVoiceKind(common::Voice::kCartoon);
  auto& b2 = record.Block2();
  b2.SetSampleRate(48000);
  b2.SetMasterVolume(72);
  b2.SetLeftVolume(72);
  b2.SetRightVolume(55);
  b2.SetRoom(common::RoomSize::kMedium);
  b2.SetEnvironmentKind(common::Environment::kConcertHall);
  b2.SetMode(common::ListeningMode::kEqualizer, true);
  b2.SetTrim(common::Speaker::kL, 3);
  b2.SetTrim(common::Speaker::kC, -4);
  b2.SetTrim(common::Speaker::kW, 2);
  for (std::size_t k = 0; k < common::kEqBandCount; ++k) record.Block3().SetGain(k, eq::kPresetGains[8][k]);
  common::ComputeEqCoefficients(b2, record.Block3());
  return record;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: oro_panel_page_shots OUT_DIR\n");
    return 2;
  }
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  panel::InitPanelResources();
  panel::ApplyPanelFont();
  const QString out = QString::fromLocal8Bit(argv[1]);
  QDir().mkpath(out);

  test::TempRoot root;
  platform::Platform p =
      platform::MakePlatform(platform::Profile::kSim, platform::ResolveStatePaths(root.Path().c_str()));
  panel::PanelSettings settings(*p.registry, p.system.get());
  test::RecordingDeviceApi api;
  api.stored = Sample();
  panel::demo::Options options;
  options.app_folder = QString::fromLatin1(ORO_BIN_DIR);
  options.curve_file = QString::fromStdString(root.Path() + "/config/eqs.bin");
  panel::demo window(api, settings, options);
  if (!window.Initialise()) return 1;
  window.show();

  const struct {
    int id;
    const char* name;
  } pages[] = {{0, "volume"},     {2, "equalizer"},     {3, "spatial"},        {4, "sound-field"},
               {6, "microphone"}, {8, "voice-changer"}, {9, "noise-reduction"}};
  for (std::uint8_t language : {std::uint8_t{0}, std::uint8_t{1}}) {
    window.Context().language = language;
    window.ApplyLanguage();
    for (const auto& page : pages) {
      window.ShowPage(page.id);
      for (int i = 0; i < 5; ++i) app.processEvents();
      const QString file = QStringLiteral("%1/%2-%3.png").arg(out, page.name, language == 0 ? "zh" : "en");
      if (!window.grab().save(file)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return 1;
      }
    }
  }
  window.Shutdown();
  return 0;
}
