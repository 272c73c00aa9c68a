// The headset's 7.1 key as the panel hears it: from the press on the
// simulated headset to the listener's acknowledgement arriving back at the
// headset (p50, p99; the panel must answer within 300 ms), and the CPU the
// listener costs while no headset is plugged in (CPU seconds per second of
// waiting, target near zero).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "oro/headset/key_listener.h"
#include "oro/platform/sim/sim_hid_bus.h"
#include "oro/platform/sim/sim_hid_host.h"
#include "oro/tools/sim/kit_hid_devices.h"
#include "temp_root.h"
#include "timed.h"

namespace {

struct Headset {
  Headset() : dir(oro::platform::sim::HidBusDir(folder.Path() + "/sim")), host(dir) {
    oro::tools::sim::AddKitMachineDevices(host, dir);
    started = host.Start() == oro::platform::err::kSuccess;
    bus = oro::platform::sim::MakeSimHidBus(dir);
  }
  int Acks() {
    const std::string state = host.Control("headset state");
    const auto at = state.find("acks=");
    return at == std::string::npos ? -1 : std::stoi(state.substr(at + 5));
  }

  oro::test::TempRoot folder;
  std::string dir;
  oro::platform::sim::SimHidHost host;
  std::shared_ptr<oro::platform::HidBus> bus;
  bool started = false;
};

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

void BM_PressToAcknowledgement(benchmark::State& state) {
  Headset headset;
  std::unique_ptr<oro::headset::KeyListener> listener;
  std::uint8_t virtual71 = 0;
  // The owner answers at once, as the window does on its thread.
  listener = std::make_unique<oro::headset::KeyListener>(headset.bus, [&] {
    virtual71 ^= 1;
    listener->Acknowledge(virtual71);
  });
  listener->Start();
  for (int i = 0; i < 200 && !listener->Connected(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  if (!headset.started || !listener->Connected()) {
    state.SkipWithError("the simulated headset is not there");
    return;
  }
  int acks = 0;
  oro::bench::TimedCalls(state, "no acknowledgement within 2 s", [&] {
    headset.host.Control("headset press-71");
    ++acks;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (headset.Acks() < acks) {
      if (std::chrono::steady_clock::now() > end) return false;
      std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return true;
  });
}
BENCHMARK(BM_PressToAcknowledgement)->Iterations(200)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_UnpluggedCpu(benchmark::State& state) {
  Headset headset;
  headset.host.Control("headset unplug");
  headset.host.Control("dongle unplug");
  oro::headset::KeyListener listener(headset.bus, [] {});
  listener.Start();
  double cpu = 0, waited = 0;
  for (auto _ : state) {
    const double before = CpuSeconds();
    std::this_thread::sleep_for(std::chrono::seconds(2));
    cpu += CpuSeconds() - before;
    waited += 2;
  }
  state.counters["cpu_s_per_s"] = cpu / waited;
  state.counters["lookups_per_s"] = static_cast<double>(listener.LookUps()) / waited;
}
BENCHMARK(BM_UnpluggedCpu)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
