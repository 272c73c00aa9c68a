#include <chrono>
#include <thread>

#include "oro/platform/clock.h"

namespace oro::platform {
namespace {

class MonotonicClock final : public Clock {
 public:
  // steady_clock is the system-wide monotonic count here, so processes agree.
  Duration Now() override {
    return std::chrono::duration_cast<Duration>(std::chrono::steady_clock::now().time_since_epoch());
  }
  void Sleep(Duration duration) override { std::this_thread::sleep_for(duration); }
};

}  // namespace

Clock& SystemClock() {
  static MonotonicClock clock;
  return clock;
}

}  // namespace oro::platform
