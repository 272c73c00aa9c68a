// Waits made of several system calls (a poll that resumes after a signal, a
// connect that is polled, a read that skips reports not its own) share one
// deadline, so the caller's time-out bounds the whole of it.
#pragma once

#include <chrono>

namespace oro::platform {

// Milliseconds left until `deadline`, never below 0.
int MillisLeft(std::chrono::steady_clock::time_point deadline);

class Deadline {
 public:
  // Negative `timeout_ms`: no limit.
  explicit Deadline(int timeout_ms)
      : limited_(timeout_ms >= 0),
        at_(std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms < 0 ? 0 : timeout_ms)) {}
  // What is left for the next wait: -1 without a limit, else 0 or more.
  int Left() const { return limited_ ? MillisLeft(at_) : -1; }

 private:
  bool limited_;
  std::chrono::steady_clock::time_point at_;
};

}  // namespace oro::platform
