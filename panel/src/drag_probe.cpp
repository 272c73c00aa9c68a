#include "drag_probe.h"

#include <QPushButton>
#include <QSlider>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

#include "main_window.h"
#include "oro/common/eq_coefficients.h"
#include "oro/common/section_codec.h"

namespace oro::panel {

int RunDragProbe(demo& window, platform::NamedObjects& objects, int steps) {
  auto* slider = window.findChild<QSlider*>(QStringLiteral("verticalSlider_15"));
  auto* eq_switch = window.findChild<QPushButton*>(QStringLiteral("pushButton_6"));
  std::unique_ptr<platform::SharedSection> section;
  if (slider == nullptr || eq_switch == nullptr ||
      objects.OpenSection(common::kSectionName, common::kSectionSize, &section) != 0 || !section) {
    std::fputs("drag probe: no slider or no section\n", stderr);
    return 1;
  }
  if (!window.Context().blocks.Block2().Mode(common::ListeningMode::kEqualizer)) eq_switch->click();
  const std::size_t at = common::SectionOffsetOfPayload(common::kBlock2PayloadOffset);

  std::vector<double> micros;
  micros.reserve(static_cast<std::size_t>(steps));
  const int start = slider->value();
  // Paced as a hand drags: one step every 5 ms (mouse moves arrive at up to 200 a second).
  auto next = std::chrono::steady_clock::now();
  for (int step = 1; step <= steps; ++step) {
    next += std::chrono::milliseconds(5);
    std::this_thread::sleep_until(next);
    // Up and down through the range as a drag goes; never the same value twice in a row.
    const int phase = (start + step) % 80;
    const int value = phase <= 40 ? phase : 80 - phase;
    const auto begin = std::chrono::steady_clock::now();
    slider->setValue(value);
    const auto block = common::BlockFromBytes<common::PropertyBlock2>(section->Data() + at);
    const auto end = std::chrono::steady_clock::now();
    // The section is checked against an evaluation of its own: band 6 is 1 kHz, gain value - 20 dB.
    const auto want = common::PeakingCoefficients(48000.0f, 1000.0f, static_cast<float>(value - 20), 670.0f);
    if (block.Coefficients(5).b0 != want.b0 || block.Coefficients(5).a1 != want.a1) {
      std::fprintf(stderr, "drag probe: the section did not follow the slider to %d\n", value);
      return 1;
    }
    micros.push_back(std::chrono::duration<double, std::micro>(end - begin).count());
  }
  std::sort(micros.begin(), micros.end());
  const auto at_q = [&](double q) {
    return micros[static_cast<std::size_t>(q * static_cast<double>(micros.size() - 1))];
  };
  std::printf("drag steps=%d p50_us=%.1f p99_us=%.1f max_us=%.1f\n", steps, at_q(0.5), at_q(0.99), micros.back());
  std::fflush(stdout);
  return 0;
}

}  // namespace oro::panel
