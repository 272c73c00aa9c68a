// The few socket calls the scripted server and the connect tests make, on
// BSD sockets or Winsock. A socket is held as std::intptr_t; -1 is none
// (INVALID_SOCKET converts to it).
#pragma once

#include <cstdint>
#include <string>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace oro::test::loopback {

using Socket = std::intptr_t;
constexpr Socket kNone = -1;

#ifdef _WIN32
inline SOCKET Native(Socket s) { return static_cast<SOCKET>(s); }
inline void Close(Socket s) {
  if (s != kNone) closesocket(Native(s));
}
// Winsock counts its users: this process's first socket starts it.
inline Socket NewStream() {
  static const bool started = [] {
    WSADATA data;
    return WSAStartup(MAKEWORD(2, 2), &data) == 0;
  }();
  return started ? static_cast<Socket>(socket(AF_INET, SOCK_STREAM, 0)) : kNone;
}
using AddressLength = int;
constexpr int kNoSignal = 0;
#else
inline int Native(Socket s) { return static_cast<int>(s); }
inline void Close(Socket s) {
  if (s != kNone) close(Native(s));
}
inline Socket NewStream() { return socket(AF_INET, SOCK_STREAM, 0); }
using AddressLength = socklen_t;
constexpr int kNoSignal = MSG_NOSIGNAL;
#endif

inline sockaddr_in Loopback(int port) {
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  sa.sin_port = htons(static_cast<std::uint16_t>(port));
  return sa;
}

// A socket bound to a free loopback port (listening when backlog >= 0); its port in `port`.
inline Socket Bound(int backlog, int* port) {
  const Socket s = NewStream();
  sockaddr_in sa = Loopback(0);
  AddressLength len = sizeof sa;
  if (s == kNone || bind(Native(s), reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 ||
      (backlog >= 0 && listen(Native(s), backlog) != 0) ||
      getsockname(Native(s), reinterpret_cast<sockaddr*>(&sa), &len) != 0) {
    Close(s);
    return kNone;
  }
  *port = ntohs(sa.sin_port);
  return s;
}

// Whether `s` has something to read (or a connection to accept) within `ms`.
inline bool Readable(Socket s, int ms) {
#ifdef _WIN32
  WSAPOLLFD p{Native(s), POLLRDNORM, 0};
  return WSAPoll(&p, 1, ms) > 0;
#else
  pollfd p{Native(s), POLLIN, 0};
  return poll(&p, 1, ms) > 0;
#endif
}

inline Socket Accept(Socket listener) { return static_cast<Socket>(accept(Native(listener), nullptr, nullptr)); }

// Sends all of `bytes`; false when the peer is gone.
inline bool SendAll(Socket s, const std::string& bytes) {
  std::size_t done = 0;
  while (s != kNone && done < bytes.size()) {
    const auto n = send(Native(s), bytes.data() + done, static_cast<int>(bytes.size() - done), kNoSignal);
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return s != kNone;
}

// Up to `size` bytes; 0 when the peer closed, negative on failure.
inline long Receive(Socket s, char* buf, std::size_t size) {
  return static_cast<long>(recv(Native(s), buf, static_cast<int>(size), 0));
}

// A connection request to the loopback port that does not wait for an answer.
inline Socket ConnectWithoutWaiting(int port) {
  const Socket s = NewStream();
  if (s == kNone) return kNone;
#ifdef _WIN32
  u_long on = 1;
  ioctlsocket(Native(s), FIONBIO, &on);
#else
  fcntl(Native(s), F_SETFL, fcntl(Native(s), F_GETFL) | O_NONBLOCK);
#endif
  const sockaddr_in sa = Loopback(port);
  connect(Native(s), reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
  return s;
}

}  // namespace oro::test::loopback
