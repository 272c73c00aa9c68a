// Bounded waits on a file descriptor, shared by the adapters that move
// reports over descriptors (hidraw nodes, the simulated bus's sockets).
#pragma once

#include <chrono>

namespace oro::platform::linux_host {

enum class FdReady { kReady, kTimeout, kHangup, kError };

// Waits until fd is ready for the events (POLLIN or POLLOUT) or timeout_ms
// passed (negative: no limit). Interrupted waits resume with the time left.
FdReady WaitFd(int fd, short events, int timeout_ms);

// Milliseconds left until deadline, never below 0.
int MillisLeft(std::chrono::steady_clock::time_point deadline);

}  // namespace oro::platform::linux_host
