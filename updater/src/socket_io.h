// The client's view of TCP sockets. Errors are Winsock numbers on every
// platform so that the client's diagnostics read the same everywhere; the
// mapping from the system's own numbers lives in one place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "oro/updater/ftp_client.h"

namespace oro::updater::net {

namespace wsa {
constexpr int kInterrupted = 10004;
constexpr int kBadHandle = 10009;
constexpr int kAccessDenied = 10013;
constexpr int kFault = 10014;
constexpr int kInvalid = 10022;
constexpr int kTooManySockets = 10024;
constexpr int kWouldBlock = 10035;
constexpr int kInProgress = 10036;
constexpr int kAlready = 10037;
constexpr int kNotSocket = 10038;
constexpr int kMessageSize = 10040;
constexpr int kProtocolType = 10041;
constexpr int kProtocolUnsupported = 10043;
constexpr int kOperationUnsupported = 10045;
constexpr int kFamilyUnsupported = 10047;
constexpr int kAddressInUse = 10048;
constexpr int kAddressUnavailable = 10049;
constexpr int kNetworkDown = 10050;
constexpr int kNetworkUnreachable = 10051;
constexpr int kNetworkReset = 10052;
constexpr int kConnectionAborted = 10053;
constexpr int kConnectionReset = 10054;
constexpr int kNoBuffers = 10055;
constexpr int kConnected = 10056;
constexpr int kNotConnected = 10057;
constexpr int kShutdown = 10058;
constexpr int kTimedOut = 10060;
constexpr int kConnectionRefused = 10061;
constexpr int kHostDown = 10064;
constexpr int kHostUnreachable = 10065;
}  // namespace wsa

// The Winsock number for a system error number; unknown numbers pass as they are.
int WinsockCode(int system_error);

// Starts and stops the system's socket layer (a no-op where there is none).
bool StartNetwork(int& error);
void StopNetwork();

FtpSocket OpenTcp(int& error);
void Close(FtpSocket socket);

// Dotted IPv4 text to an address in network order.
bool ParseIpv4(const std::string& text, std::uint32_t& address);

// Connects within `timeout_ms` (no limit when 0 or less); 0 or a Winsock code.
int Connect(FtpSocket socket, std::uint32_t address, std::uint16_t port, int timeout_ms);

// Longest wait for a send or receive to make progress.
void SetIdleTimeout(FtpSocket socket, int timeout_ms);

// Waits up to `timeout_ms` for bytes (or the end of the data) to arrive:
// true when a receive would not wait; false with wsa::kTimedOut or another
// Winsock code.
bool WaitReadable(FtpSocket socket, int timeout_ms, int& error);

// Sends every byte or fails with a Winsock code.
bool SendAll(FtpSocket socket, const char* data, std::size_t size, int& error);

// Bytes received (at most `size`), 0 at the end of the data, -1 on error.
// With `peek` the bytes stay queued for the next receive.
long Receive(FtpSocket socket, void* data, std::size_t size, int& error, bool peek = false);

// The local IPv4 address that reaches `server`, found by connecting a
// datagram socket (nothing is sent). False when no datagram socket exists;
// the address stays empty when the route cannot be had.
bool LocalAddressFor(const std::string& server, std::string& local);

// Closes its socket on scope exit unless released.
class SocketHolder {
 public:
  explicit SocketHolder(FtpSocket socket = kInvalidFtpSocket) : socket_(socket) {}
  ~SocketHolder() { Reset(); }
  SocketHolder(const SocketHolder&) = delete;
  SocketHolder& operator=(const SocketHolder&) = delete;
  FtpSocket Get() const { return socket_; }
  FtpSocket Release() {
    FtpSocket s = socket_;
    socket_ = kInvalidFtpSocket;
    return s;
  }
  void Reset() {
    if (socket_ != kInvalidFtpSocket) Close(socket_);
    socket_ = kInvalidFtpSocket;
  }

 private:
  FtpSocket socket_;
};

}  // namespace oro::updater::net
