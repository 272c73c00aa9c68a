// A steady clock the modules wait on. Waits that poll the system (service
// restarts, simulated delays) take it as a parameter, so tests can run a
// thirty-second budget without waiting for it.
#pragma once

#include <chrono>

namespace oro::platform {

class Clock {
 public:
  using Duration = std::chrono::milliseconds;
  virtual ~Clock() = default;
  // Time since an arbitrary fixed point, the same for every process of the
  // machine (the system clock's monotonic count).
  virtual Duration Now() = 0;
  virtual void Sleep(Duration duration) = 0;
};

// The machine's monotonic clock; one instance serves every thread.
Clock& SystemClock();

}  // namespace oro::platform
