// Starts the real panel again and again on one simulated machine and prints
// the time from starting the process to its first painted frame (p50, best,
// worst) and its resident memory at that moment.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "oro/common/registry_access.h"
#include "oro/platform/make_platform.h"
#include "panel_process.h"
#include "temp_root.h"

namespace {

// "VmRSS" or "VmHWM" of a process, in KiB.
long StatusKib(pid_t pid, const std::string& field) {
  std::ifstream status("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field + ":", 0) == 0) return std::stol(line.substr(field.size() + 1));
  }
  return -1;
}

}  // namespace

int main() {
  using namespace std::chrono;
  oro::test::TempRoot root;
  // The machine's creation also starts the host of its simulated HID bus.
  if (oro::test::RunCommand("ORO_PLATFORM=sim ORO_ROOT=" + root.Path() + " " + oro::test::BuiltFile("oro-sim") +
                            " create") != 0) {
    std::fprintf(stderr, "panel_start_bench: cannot create the simulated machine\n");
    return 1;
  }
  auto platform =
      oro::platform::MakePlatform(oro::platform::Profile::kSim, oro::platform::ResolveStatePaths(root.Path().c_str()));
  oro::common::RegistryAccess reg(*platform.registry);
  constexpr int kRuns = 15;
  std::vector<double> ms;
  long rss = 0, peak = 0;
  for (int run = 0; run < kRuns; ++run) {
    const auto start = steady_clock::now();
    oro::test::PanelProcess panel(root.Path());
    if (!panel.WaitForFirstFrame(seconds(30))) {
      std::fprintf(stderr, "panel_start_bench: no first frame: %s\n", panel.ErrorText().c_str());
      return 1;
    }
    ms.push_back(duration<double, std::milli>(steady_clock::now() - start).count());
    rss = std::max(rss, StatusKib(panel.Pid(), "VmRSS"));
    peak = std::max(peak, StatusKib(panel.Pid(), "VmHWM"));
    reg.WriteDword(L"HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSoundKit", L"exitCmd", 1);
    if (panel.WaitForExit(seconds(10)) != 0) {
      std::fprintf(stderr, "panel_start_bench: the panel did not end cleanly\n");
      return 1;
    }
  }
  // The first run pays for cold caches; every run is a new process.
  std::vector<double> sorted = ms;
  std::sort(sorted.begin(), sorted.end());
  std::printf("panel cold start to first frame (%d runs): first %.1f ms, p50 %.1f ms, best %.1f ms, worst %.1f ms\n",
              kRuns, ms.front(), sorted[sorted.size() / 2], sorted.front(), sorted.back());
  oro::test::RunCommand("ORO_PLATFORM=sim ORO_ROOT=" + root.Path() + " " + oro::test::BuiltFile("oro-sim") +
                        " hid stop");
  std::printf("resident memory at first frame: %.1f MiB (peak %.1f MiB)\n", rss / 1024.0, peak / 1024.0);
  return 0;
}
