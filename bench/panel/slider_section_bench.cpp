// A drag of the 1 kHz equalizer slider in the real panel program, offscreen
// on the simulated machine, paced at 200 steps a second as a hand drags: the
// program times each step from the slider's
// value change until the shared section, read through a mapping of its own
// as the processing object reads it, holds the new coefficients, and this
// program prints its p50, p99 and worst step in microseconds over several
// runs. Target: p99 below 1 ms.
#include <chrono>
#include <cstdio>
#include <string>

#include "panel_process.h"
#include "temp_root.h"

int main() {
  using namespace std::chrono;
  oro::test::TempRoot root;
  if (oro::test::RunCommand("ORO_PLATFORM=sim ORO_ROOT=" + root.Path() + " " + oro::test::BuiltFile("oro-sim") +
                            " create") != 0) {
    std::fprintf(stderr, "slider_section_bench: cannot create the simulated machine\n");
    return 1;
  }
  constexpr int kRuns = 3;
  constexpr int kSteps = 2000;
  int failed = 0;
  for (int run = 0; run < kRuns; ++run) {
    oro::test::PanelProcess panel(root.Path(), {"ORO_PANEL_DRAG_PROBE=" + std::to_string(kSteps)});
    const int status = panel.WaitForExit(seconds(120));
    const std::string& out = panel.OutputText();
    const auto line = out.find("drag steps=");
    if (status != 0 || line == std::string::npos) {
      std::fprintf(stderr, "slider_section_bench: run %d failed (status %d): %s\n", run, status,
                   panel.ErrorText().c_str());
      ++failed;
      continue;
    }
    std::printf("run %d: %s", run + 1, out.substr(line, out.find('\n', line) + 1 - line).c_str());
  }
  oro::test::RunCommand("ORO_PLATFORM=sim ORO_ROOT=" + root.Path() + " " + oro::test::BuiltFile("oro-sim") +
                        " hid stop");
  return failed == 0 ? 0 : 1;
}
