// setDeviceProperty on a fresh state folder of the simulated machine, the
// way a slider drag calls it (about 60 times a second): type 3 recomputes
// the equalizer, stores blocks 3 and 2 and publishes block 2; type 2 stores
// and publishes block 2. Each call is timed on its own and the run reports
// p50, p99 and the largest call in microseconds. Target: p99 below 1 ms.
#include <benchmark/benchmark.h>

#include "library_context.h"
#include "oro/common/property_blocks.h"
#include "oro/platform/make_platform.h"
#include "oro/tools/sim/kit_machine.h"
#include "oro_ecd_api.h"
#include "temp_root.h"
#include "timed.h"

namespace {

// Runs `send(i)` once per iteration on a loaded record and times each call.
template <typename Send>
void TimedSends(benchmark::State& state, Send send) {
  oro::test::TempRoot folder;
  auto platform = oro::platform::MakePlatform(oro::platform::Profile::kSim,
                                              oro::platform::ResolveStatePaths(folder.Path().c_str()));
  oro::platform::sim::SimMachine machine(*platform.registry);
  oro::tools::sim::CreateKitMachine(machine, L"/tmp/");
  oro::device_api::SetLibraryPlatform(platform);

  oro::common::DeviceInfo record;
  if (getDeviceInfo(0, &record) != ORO_OK) {
    state.SkipWithError("getDeviceInfo failed");
    return;
  }
  int i = 0;
  oro::bench::TimedCalls(state, "setDeviceProperty failed", [&] { return send(record, i++) == ORO_OK; });
  releaseDeviceInfo(&record);
}

void BM_SetDevicePropertyType3(benchmark::State& state) {
  TimedSends(state, [](oro::common::DeviceInfo& record, int i) {
    // One band moving through its range, as under a dragged slider.
    oro::common::PropertyBlock3 gains = record.Block3();
    gains.SetGain(5, i % 41 - 20);
    return setDeviceProperty(&record, 3, &gains);
  });
}

void BM_SetDevicePropertyType2(benchmark::State& state) {
  TimedSends(state, [](oro::common::DeviceInfo& record, int i) {
    oro::common::PropertyBlock2 b2 = record.Block2();
    b2.SetMasterVolume(i % 101);
    return setDeviceProperty(&record, 2, &b2);
  });
}

BENCHMARK(BM_SetDevicePropertyType3)->Iterations(2000)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SetDevicePropertyType2)->Iterations(2000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
