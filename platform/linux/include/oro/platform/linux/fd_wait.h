// Bounded waits on a file descriptor and bounded reads of the small files
// that describe devices, shared by the adapters that move reports over
// descriptors (hidraw nodes, the simulated bus's sockets).
#pragma once

#include <cstddef>
#include <string>

#include "oro/platform/win32_codes.h"

namespace oro::platform::linux_host {

enum class FdReady { kReady, kTimeout, kHangup, kError };

// Waits until fd is ready for the events (POLLIN or POLLOUT) or timeout_ms
// passed (negative: no limit). Interrupted waits resume with the time left.
FdReady WaitFd(int fd, short events, int timeout_ms);

// WaitFd before a report moves: err::kSuccess when ready, err::kTimeout, or
// err::kDeviceNotConnected with *gone set once the descriptor hung up or
// failed (a connection never comes back).
ErrorCode WaitForReport(int fd, short events, int timeout_ms, bool* gone);

// At most `limit` bytes of a file that cannot be sized before it is read
// (sysfs attributes all claim one page); false when it cannot be opened.
bool ReadFileHead(const std::string& path, std::size_t limit, std::string* out);

}  // namespace oro::platform::linux_host
