#include "stereo_processor.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

namespace oro::apo {
namespace {

// Buffers are worked in slices of this many frames on the stack.
constexpr std::size_t kSlice = 256;

template <typename H>
void Cascade(const SpeakerParams& p, H* history, double* x, std::size_t n) {
  for (std::size_t s = 0; s < p.section_count; ++s) {
    const Section& c = p.sections[s];
    H& h = history[c.band];
    double s1 = h.s1, s2 = h.s2;
    for (std::size_t i = 0; i < n; ++i) {
      const double in = x[i];
      const double y = c.b0 * in + s1;
      s1 = c.b1 * in - c.a1 * y + s2;
      s2 = c.b2 * in - c.a2 * y;
      x[i] = y;
    }
    h.s1 = s1;
    h.s2 = s2;
  }
}

// Very small numbers in the filters' history cost a hundred times the normal
// arithmetic; they are inaudible, so flush them while this object runs.
class FlushDenormals {
 public:
#if defined(__SSE__)
  FlushDenormals() : saved_(_mm_getcsr()) { _mm_setcsr(saved_ | 0x8040); }
  ~FlushDenormals() { _mm_setcsr(saved_); }

 private:
  unsigned saved_;
#endif
};

}  // namespace

StereoProcessor::StereoProcessor() noexcept { Reset(); }

void StereoProcessor::Reset() noexcept {
  std::memset(history_, 0, sizeof history_);
  std::memset(next_history_, 0, sizeof next_history_);
}

void StereoProcessor::Change(const SpeakerParams& params) noexcept {
  next_ = params;
  changing_ = true;
}

void StereoProcessor::Run(const float* in, float* out, std::size_t frames, int channel) noexcept {
  const float gain = channel == 0 ? current_.left_gain : current_.right_gain;
  const float next_gain = channel == 0 ? next_.left_gain : next_.right_gain;
  double a[kSlice];
  double b[kSlice];
  for (std::size_t at = 0; at < frames; at += kSlice) {
    const std::size_t n = std::min(kSlice, frames - at);
    for (std::size_t i = 0; i < n; ++i) a[i] = in[at + i];
    if (changing_) std::memcpy(b, a, n * sizeof(double));
    Cascade(current_, history_[channel], a, n);
    if (!changing_) {
      for (std::size_t i = 0; i < n; ++i) out[at + i] = static_cast<float>(a[i] * gain);
      continue;
    }
    Cascade(next_, next_history_[channel], b, n);
    for (std::size_t i = 0; i < n; ++i) {
      const double t = static_cast<double>(at + i + 1) / static_cast<double>(frames);
      out[at + i] = static_cast<float>((1.0 - t) * a[i] * gain + t * b[i] * next_gain);
    }
  }
}

void StereoProcessor::Process(const float* in_left, const float* in_right, float* out_left, float* out_right,
                              std::size_t frames) noexcept {
  if (frames == 0) return;
  FlushDenormals flush;
  if (changing_) {
    // Each band of the new cascade starts from the old band's history, so
    // the fade joins two signals that are already close.
    // A band the old cascade skipped starts from silence.
    std::memset(next_history_, 0, sizeof next_history_);
    for (int ch = 0; ch < 2; ++ch) {
      for (std::size_t s = 0; s < current_.section_count; ++s) {
        const std::size_t band = current_.sections[s].band;
        next_history_[ch][band] = history_[ch][band];
      }
    }
  }
  Run(in_left, out_left, frames, 0);
  Run(in_right, out_right, frames, 1);
  if (changing_) {
    current_ = next_;
    std::memcpy(history_, next_history_, sizeof history_);
    changing_ = false;
  }
}

}  // namespace oro::apo
