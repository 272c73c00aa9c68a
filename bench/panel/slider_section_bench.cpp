// A drag of the 1 kHz equalizer slider in the panel's window on the real
// library and the simulated machine: each step is timed from the slider's
// value change until the shared section, read through a second mapping as
// the processing object reads it, holds the new coefficients. Reports p50
// and p99 in microseconds. Target: p99 below 1 ms.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPushButton>
#include <QSlider>
#include <cstring>

#include "main_window.h"
#include "oro/common/eq_coefficients.h"
#include "oro/common/section_codec.h"
#include "panel_fonts.h"
#include "panel_settings.h"
#include "section_device_api.h"
#include "temp_root.h"
#include "timed.h"

namespace {

using namespace oro;

void BM_EqualizerSliderToSection(benchmark::State& state) {
  test::TempRoot root;
  test::SectionDeviceApi api(root.Path());
  panel::PanelSettings settings(*api.Platform().registry, api.Platform().system.get());
  panel::demo::Options options;
  options.app_folder = QString::fromLatin1(ORO_BIN_DIR);
  options.curve_file = QString::fromStdString(root.Path() + "/config/eqs.bin");
  panel::demo window(api, settings, options);
  if (!window.Initialise()) {
    state.SkipWithError("the window did not start");
    return;
  }
  window.findChild<QPushButton*>("pushButton_6")->click();
  QSlider* slider = window.findChild<QSlider*>("verticalSlider_15");
  std::unique_ptr<platform::SharedSection> section;
  if (api.Platform().objects->OpenSection(common::kSectionName, common::kSectionSize, &section) != 0) {
    state.SkipWithError("no section");
    return;
  }
  const std::size_t at = common::SectionOffsetOfPayload(common::kBlock2PayloadOffset);

  int step = 0;
  oro::bench::TimedCalls(state, "the section did not follow the slider", [&] {
    // Up and down through the slider's range, as a drag goes; never the same value twice.
    const int phase = step++ % 80;
    const int value = phase <= 40 ? phase : 80 - phase;
    slider->setValue(value);
    const auto block = common::BlockFromBytes<common::PropertyBlock2>(section->Data() + at);
    return block.Coefficients(5).b0 ==
           common::PeakingCoefficients(48000.0f, 1000.0f, static_cast<float>(value - 20), 670.0f).b0;
  });
  window.Shutdown();
}

BENCHMARK(BM_EqualizerSliderToSection)->Iterations(2000)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  panel::InitPanelResources();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
