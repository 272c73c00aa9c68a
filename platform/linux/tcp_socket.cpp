#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include "oro/platform/deadline.h"
#include "oro/platform/tcp_socket.h"

namespace oro::platform::net {
namespace {

int Fd(Socket socket) { return static_cast<int>(socket); }

int LastError() { return WinsockCode(errno); }

bool SetNonBlocking(int fd, bool on) {
  const int flags = fcntl(fd, F_GETFL, 0);
  if (flags < 0) return false;
  return fcntl(fd, F_SETFL, on ? (flags | O_NONBLOCK) : (flags & ~O_NONBLOCK)) == 0;
}

sockaddr_in Ipv4(std::uint32_t address, std::uint16_t port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  sa.sin_addr.s_addr = address;
  return sa;
}

}  // namespace

bool StartNetwork(int& error) {
  error = 0;
  return true;
}

void StopNetwork() {}

Socket OpenTcp(int& error) {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
  if (fd < 0) {
    error = LastError();
    return kInvalidSocket;
  }
  return fd;
}

void Close(Socket socket) {
  if (socket != kInvalidSocket) ::close(Fd(socket));
}

int Connect(Socket socket, std::uint32_t address, std::uint16_t port, int timeout_ms) {
  const int fd = Fd(socket);
  const sockaddr_in sa = Ipv4(address, port);
  if (!SetNonBlocking(fd, true)) return LastError();
  int error = 0;
  if (::connect(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
    if (errno != EINPROGRESS) {
      error = LastError();
    } else {
      const Deadline deadline(timeout_ms > 0 ? timeout_ms : -1);
      for (;;) {
        pollfd p{fd, POLLOUT, 0};
        const int r = ::poll(&p, 1, deadline.Left());
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) {
          error = LastError();
        } else if (r == 0) {
          error = wsa::kTimedOut;
        } else {
          int so_error = 0;
          socklen_t len = sizeof so_error;
          if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &so_error, &len) != 0) so_error = errno;
          if (so_error != 0) error = WinsockCode(so_error);
        }
        break;
      }
    }
  }
  if (error == 0 && !SetNonBlocking(fd, false)) error = LastError();
  return error;
}

void SetIdleTimeout(Socket socket, int timeout_ms) {
  timeval tv{};
  if (timeout_ms > 0) {
    tv.tv_sec = timeout_ms / 1000;
    tv.tv_usec = (timeout_ms % 1000) * 1000;
  }
  ::setsockopt(Fd(socket), SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
  ::setsockopt(Fd(socket), SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
}

bool WaitReadable(Socket socket, int timeout_ms, int& error) {
  pollfd p{Fd(socket), POLLIN, 0};
  // An interrupted wait resumes with the time left.
  const Deadline deadline(timeout_ms > 0 ? timeout_ms : 0);
  for (;;) {
    const int r = ::poll(&p, 1, deadline.Left());
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) {
      error = LastError();
      return false;
    }
    if (r == 0) {
      error = wsa::kTimedOut;
      return false;
    }
    return true;
  }
}

bool SendAll(Socket socket, const char* data, std::size_t size, int& error) {
  while (size > 0) {
    // MSG_NOSIGNAL: a peer that went away must not kill the process.
    const ssize_t n = ::send(Fd(socket), data, size, MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = LastError();
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

long Receive(Socket socket, void* data, std::size_t size, int& error, bool peek) {
  for (;;) {
    const ssize_t n = ::recv(Fd(socket), data, size, peek ? MSG_PEEK : 0);
    if (n >= 0) return static_cast<long>(n);
    if (errno == EINTR) continue;
    error = LastError();
    return -1;
  }
}

bool LocalAddressFor(const std::string& server, std::string& local) {
  local.clear();
  const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_UDP);
  if (fd < 0) return false;
  std::uint32_t address = 0;
  if (ParseIpv4(server, address)) {
    const sockaddr_in sa = Ipv4(address, 80);
    sockaddr_in me{};
    socklen_t len = sizeof me;
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&me), &len) == 0) {
      local = FormatIpv4(me.sin_addr.s_addr);
    }
  }
  ::close(fd);
  return true;
}

}  // namespace oro::platform::net
