// The C library's socket error numbers as Winsock numbers. Shared by every
// build: on Windows the sockets report Winsock numbers already and only the
// C runtime's own errno values need the table.
#include <cerrno>

#include "oro/platform/tcp_socket.h"

namespace oro::platform::net {

int WinsockCode(int e) {
  switch (e) {
    case EINTR:
      return wsa::kInterrupted;
    case EBADF:
      return wsa::kBadHandle;
    case EACCES:
    case EPERM:
      return wsa::kAccessDenied;
    case EFAULT:
      return wsa::kFault;
    case EINVAL:
      return wsa::kInvalid;
    case EMFILE:
    case ENFILE:
      return wsa::kTooManySockets;
    case EINPROGRESS:
      return wsa::kInProgress;
    case EALREADY:
      return wsa::kAlready;
    case ENOTSOCK:
      return wsa::kNotSocket;
    case EMSGSIZE:
      return wsa::kMessageSize;
    case EPROTOTYPE:
      return wsa::kProtocolType;
    case EPROTONOSUPPORT:
      return wsa::kProtocolUnsupported;
    case EOPNOTSUPP:
      return wsa::kOperationUnsupported;
    case EAFNOSUPPORT:
      return wsa::kFamilyUnsupported;
    case EADDRINUSE:
      return wsa::kAddressInUse;
    case EADDRNOTAVAIL:
      return wsa::kAddressUnavailable;
    case ENETDOWN:
      return wsa::kNetworkDown;
    case ENETUNREACH:
      return wsa::kNetworkUnreachable;
    case ENETRESET:
      return wsa::kNetworkReset;
    case ECONNABORTED:
      return wsa::kConnectionAborted;
    case ECONNRESET:
    case EPIPE:
      return wsa::kConnectionReset;
    case ENOBUFS:
    case ENOMEM:
      return wsa::kNoBuffers;
    case EISCONN:
      return wsa::kConnected;
    case ENOTCONN:
      return wsa::kNotConnected;
#ifdef ESHUTDOWN
    case ESHUTDOWN:
      return wsa::kShutdown;
#endif
    // A receive or send time-out surfaces as "would block".
    case ETIMEDOUT:
    case EAGAIN:
#if EWOULDBLOCK != EAGAIN
    case EWOULDBLOCK:
#endif
      return wsa::kTimedOut;
    case ECONNREFUSED:
      return wsa::kConnectionRefused;
#ifdef EHOSTDOWN
    case EHOSTDOWN:
      return wsa::kHostDown;
#endif
    case EHOSTUNREACH:
      return wsa::kHostUnreachable;
    default:
      return e;
  }
}

}  // namespace oro::platform::net
