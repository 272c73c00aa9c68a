// The main thread of a long-running command (a watch) waits here until the
// user ends it (Ctrl-C, a termination request) or another thread wakes it.
#pragma once

#include <memory>

namespace oro::tools::cli {

class WaitLoop {
 public:
  enum class Event { kStop, kWake, kError };

  // Construct before any other thread exists: on POSIX systems the stop
  // signals are then blocked in every thread, so only Wait sees them.
  WaitLoop();
  ~WaitLoop();
  WaitLoop(const WaitLoop&) = delete;
  WaitLoop& operator=(const WaitLoop&) = delete;

  Event Wait();
  // Safe from any thread.
  void Wake();

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace oro::tools::cli
