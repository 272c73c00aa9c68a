// The filter as the sound server runs it.
//
// BM_FilterCost: one second of 48 kHz stereo in 10 ms buffers; core_percent
// is the share of one core it takes (target: under 1 %), with all ten bands
// active (the worst case) and with the equalizer off.
//
// BM_BlockToSound: setDeviceProperty (type 3, the library computing and
// publishing block 2) until the filter's next buffer has been processed with
// the new coefficients; the sound server calls that buffer within one period
// (period_ms) of the publication, which comes on top.
#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

#include "oro/common/eq_coefficients.h"
#include "oro/device_api/library_context.h"
#include "oro/platform/make_platform.h"
#include "oro/tools/sim/kit_machine.h"
#include "oro_ecd_api.h"
#include "speaker_filter.h"
#include "stereo_processor.h"
#include "temp_root.h"
#include "timed.h"
#include "tone.h"

namespace {

constexpr float kRate = 48000.0f;
constexpr std::size_t kPeriod = 480;

void BM_FilterCost(benchmark::State& state) {
  oro::common::PropertyBlock2 block;
  block.SetSampleRate(48000);
  block.SetMasterVolume(80);
  block.SetLeftVolume(60);
  block.SetRightVolume(80);
  oro::common::PropertyBlock3 gains;
  for (std::size_t i = 0; i < oro::common::kEqBandCount; ++i) gains.SetGain(i, static_cast<int>(i % 2 ? 6 : -6));
  oro::common::ComputeEqCoefficients(block, gains);
  block.SetMode(oro::common::ListeningMode::kEqualizer, state.range(0) != 0);
  oro::apo::SpeakerParams params;
  if (!oro::apo::DecodeSpeakerParams(block, kRate, &params)) {
    state.SkipWithError("block refused");
    return;
  }
  oro::apo::StereoProcessor proc;
  proc.Change(params);
  const std::vector<float> left = oro::test::Sine(1000, kRate, 48000);
  const std::vector<float> right = oro::test::Sine(100, kRate, 48000);
  std::vector<float> out_l(kPeriod), out_r(kPeriod);
  double seconds = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    for (std::size_t at = 0; at + kPeriod <= left.size(); at += kPeriod) {
      proc.Process(left.data() + at, right.data() + at, out_l.data(), out_r.data(), kPeriod);
    }
    benchmark::DoNotOptimize(out_l.data());
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  state.counters["core_percent"] = 100.0 * seconds / static_cast<double>(state.iterations());
}

void BM_BlockToSound(benchmark::State& state) {
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
  oro::common::PropertyBlock2 b2 = record.Block2();
  b2.SetMode(oro::common::ListeningMode::kEqualizer, true);
  setDeviceProperty(&record, 2, &b2);

  oro::apo::SpeakerFilter filter(kRate, platform.paths.run_dir);
  const std::vector<float> tone = oro::test::Sine(1000, kRate, kPeriod);
  std::vector<float> out_l(kPeriod), out_r(kPeriod);
  // Wait until the filter has the section open.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (filter.BlocksTaken() == 0 && std::chrono::steady_clock::now() < deadline) {
    filter.Run(tone.data(), tone.data(), out_l.data(), out_r.data(), kPeriod);
  }
  int i = 0;
  oro::bench::TimedCalls(state, "block not heard", [&] {
    oro::common::PropertyBlock3 gains = record.Block3();
    gains.SetGain(5, i++ % 41 - 20);
    const std::uint64_t before = filter.BlocksTaken();
    if (setDeviceProperty(&record, 3, &gains) != ORO_OK) return false;
    filter.Run(tone.data(), tone.data(), out_l.data(), out_r.data(), kPeriod);
    return filter.BlocksTaken() == before + 1;
  });
  state.counters["period_ms"] = 1000.0 * kPeriod / kRate;
  releaseDeviceInfo(&record);
}

BENCHMARK(BM_FilterCost)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BlockToSound)->Iterations(1000)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
