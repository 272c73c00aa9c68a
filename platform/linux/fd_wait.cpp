#include "oro/platform/linux/fd_wait.h"

#include <poll.h>

#include <cerrno>

namespace oro::platform::linux_host {

int MillisLeft(std::chrono::steady_clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

FdReady WaitFd(int fd, short events, int timeout_ms) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms < 0 ? 0 : timeout_ms);
  for (;;) {
    pollfd p{fd, events, 0};
    const int n = poll(&p, 1, timeout_ms < 0 ? -1 : MillisLeft(deadline));
    if (n < 0) {
      if (errno == EINTR) continue;
      return FdReady::kError;
    }
    if (n == 0) return FdReady::kTimeout;
    if (p.revents & events) return FdReady::kReady;
    if (p.revents & (POLLHUP | POLLERR)) return FdReady::kHangup;
    return FdReady::kError;
  }
}

}  // namespace oro::platform::linux_host
