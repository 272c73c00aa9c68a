// Test tones and level measurement for the filter's tests and benchmark.
#pragma once

#include <cmath>
#include <cstddef>
#include <vector>

namespace oro::test {

inline std::vector<float> Sine(double hz, double rate, std::size_t frames, double amplitude = 0.25,
                               std::size_t start = 0) {
  std::vector<float> v(frames);
  for (std::size_t i = 0; i < frames; ++i) {
    v[i] = static_cast<float>(amplitude * std::sin(2.0 * M_PI * hz * static_cast<double>(start + i) / rate));
  }
  return v;
}

inline double Rms(const float* x, std::size_t n) {
  double sum = 0;
  for (std::size_t i = 0; i < n; ++i) sum += static_cast<double>(x[i]) * x[i];
  return std::sqrt(sum / static_cast<double>(n));
}

inline double Db(double ratio) { return 20.0 * std::log10(ratio); }

}  // namespace oro::test
