#include "oro/platform/linux/fd_wait.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "oro/platform/deadline.h"

namespace oro::platform::linux_host {

FdReady WaitFd(int fd, short events, int timeout_ms) {
  const Deadline deadline(timeout_ms);
  for (;;) {
    pollfd p{fd, events, 0};
    const int n = poll(&p, 1, deadline.Left());
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

ErrorCode WaitForReport(int fd, short events, int timeout_ms, bool* gone) {
  switch (WaitFd(fd, events, timeout_ms)) {
    case FdReady::kReady:
      return err::kSuccess;
    case FdReady::kTimeout:
      return err::kTimeout;
    default:
      *gone = true;
      return err::kDeviceNotConnected;
  }
}

bool ReadFileHead(const std::string& path, std::size_t limit, std::string* out) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  std::string buf(limit, '\0');
  std::size_t got = 0;
  while (got < buf.size()) {
    const ssize_t n = read(fd, buf.data() + got, buf.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
  }
  close(fd);
  buf.resize(got);
  *out = std::move(buf);
  return true;
}

}  // namespace oro::platform::linux_host
