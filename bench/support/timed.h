// Per-call timing for the benchmarks: every iteration is timed on its own so
// the run can report percentiles, which a mean would hide.
#pragma once

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <vector>

namespace oro::bench {

// Adds p50, p99, p99.9 and the largest call, in microseconds, as counters.
inline void ReportPercentiles(benchmark::State& state, std::vector<double>& micros) {
  if (micros.empty()) return;
  std::sort(micros.begin(), micros.end());
  auto at = [&](double q) { return micros[static_cast<std::size_t>(q * static_cast<double>(micros.size() - 1))]; };
  state.counters["p50_us"] = at(0.50);
  state.counters["p99_us"] = at(0.99);
  state.counters["p999_us"] = at(0.999);
  state.counters["max_us"] = micros.back();
}

// Runs op() once per iteration and times each call; op returns false on a
// failure, which ends the run with `what` as the error.
template <typename Op>
void TimedCalls(benchmark::State& state, const char* what, Op&& op) {
  std::vector<double> micros;
  micros.reserve(1 << 16);
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const bool ok = op();
    const auto end = std::chrono::steady_clock::now();
    if (!ok) {
      state.SkipWithError(what);
      break;
    }
    micros.push_back(std::chrono::duration<double, std::micro>(end - start).count());
  }
  ReportPercentiles(state, micros);
}

}  // namespace oro::bench
