// IPv4 TCP client sockets through Winsock 2. Winsock reports its own numbers,
// which are the kit's; WSAStartup runs once per process and stays (the
// system releases it with the process), so overlapping users never pull it
// from under each other.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <climits>
#include <mutex>

#include "oro/platform/deadline.h"
#include "oro/platform/tcp_socket.h"

namespace oro::platform::net {
namespace {

SOCKET Sock(Socket socket) { return static_cast<SOCKET>(socket); }

int LastError() { return WinsockCode(WSAGetLastError()); }

int Started() {
  static std::once_flag once;
  static int result = 0;
  std::call_once(once, [] {
    WSADATA data{};
    result = WSAStartup(MAKEWORD(2, 2), &data);
  });
  return result;
}

bool SetNonBlocking(SOCKET s, bool on) {
  u_long value = on ? 1 : 0;
  return ioctlsocket(s, FIONBIO, &value) == 0;
}

sockaddr_in Ipv4(std::uint32_t address, std::uint16_t port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_port = htons(port);
  sa.sin_addr.s_addr = address;
  return sa;
}

timeval Timeval(long long ms) {
  timeval tv{};
  tv.tv_sec = static_cast<long>(ms / 1000);
  tv.tv_usec = static_cast<long>((ms % 1000) * 1000);
  return tv;
}

}  // namespace

bool StartNetwork(int& error) {
  error = Started();
  return error == 0;
}

void StopNetwork() {}

Socket OpenTcp(int& error) {
  if ((error = Started()) != 0) return kInvalidSocket;
  const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) {
    error = LastError();
    return kInvalidSocket;
  }
  // Programs the kit starts must not inherit a connection.
  SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
  return static_cast<Socket>(s);
}

void Close(Socket socket) {
  if (socket != kInvalidSocket) ::closesocket(Sock(socket));
}

int Connect(Socket socket, std::uint32_t address, std::uint16_t port, int timeout_ms) {
  const SOCKET s = Sock(socket);
  const sockaddr_in sa = Ipv4(address, port);
  if (!SetNonBlocking(s, true)) return LastError();
  int error = 0;
  if (::connect(s, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
    const int started = WSAGetLastError();
    if (started != WSAEWOULDBLOCK) {
      error = WinsockCode(started);
    } else {
      const Deadline deadline(timeout_ms > 0 ? timeout_ms : -1);
      fd_set writable, failed;
      FD_ZERO(&writable);
      FD_ZERO(&failed);
      FD_SET(s, &writable);
      FD_SET(s, &failed);  // Winsock reports a refused connect here, not as writable
      timeval tv{};
      timeval* wait = nullptr;
      const int left = deadline.Left();
      if (left >= 0) {
        tv = Timeval(left);
        wait = &tv;
      }
      const int r = ::select(0, nullptr, &writable, &failed, wait);
      if (r == SOCKET_ERROR) {
        error = LastError();
      } else if (r == 0) {
        error = wsa::kTimedOut;
      } else {
        int so_error = 0;
        int len = sizeof so_error;
        if (::getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&so_error), &len) != 0) {
          so_error = WSAGetLastError();
        }
        if (so_error != 0) {
          error = WinsockCode(so_error);
        } else if (FD_ISSET(s, &failed)) {
          error = wsa::kConnectionRefused;
        }
      }
    }
  }
  if (error == 0 && !SetNonBlocking(s, false)) error = LastError();
  return error;
}

void SetIdleTimeout(Socket socket, int timeout_ms) {
  const DWORD ms = timeout_ms > 0 ? static_cast<DWORD>(timeout_ms) : 0;
  ::setsockopt(Sock(socket), SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&ms), sizeof ms);
  ::setsockopt(Sock(socket), SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&ms), sizeof ms);
}

bool WaitReadable(Socket socket, int timeout_ms, int& error) {
  fd_set readable;
  FD_ZERO(&readable);
  FD_SET(Sock(socket), &readable);
  timeval tv = Timeval(timeout_ms > 0 ? timeout_ms : 0);
  const int r = ::select(0, &readable, nullptr, nullptr, &tv);
  if (r == SOCKET_ERROR) {
    error = LastError();
    return false;
  }
  if (r == 0) {
    error = wsa::kTimedOut;
    return false;
  }
  return true;
}

bool SendAll(Socket socket, const char* data, std::size_t size, int& error) {
  while (size > 0) {
    const int chunk = size > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(size);
    const int n = ::send(Sock(socket), data, chunk, 0);
    if (n == SOCKET_ERROR) {
      error = LastError();
      return false;
    }
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

long Receive(Socket socket, void* data, std::size_t size, int& error, bool peek) {
  const int chunk = size > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(size);
  const int n = ::recv(Sock(socket), static_cast<char*>(data), chunk, peek ? MSG_PEEK : 0);
  if (n == SOCKET_ERROR) {
    error = LastError();
    return -1;
  }
  return n;
}

bool LocalAddressFor(const std::string& server, std::string& local) {
  local.clear();
  if (Started() != 0) return false;
  const SOCKET s = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
  if (s == INVALID_SOCKET) return false;
  std::uint32_t address = 0;
  if (ParseIpv4(server, address)) {
    const sockaddr_in sa = Ipv4(address, 80);
    sockaddr_in me{};
    int len = sizeof me;
    if (::connect(s, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&me), &len) == 0) {
      local = FormatIpv4(me.sin_addr.s_addr);
    }
  }
  ::closesocket(s);
  return true;
}

}  // namespace oro::platform::net
