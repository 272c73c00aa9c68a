// IPv4 TCP client sockets, as the update client uses them. Beside the ports:
// plain functions, one implementation per system (platform/linux/tcp_socket.cpp
// here), the address text shared (platform/core/ipv4_text.cpp). Errors are
// Winsock numbers on every platform so that diagnostics read the same
// everywhere; the mapping from the system's own numbers lives here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace oro::platform::net {

// A socket descriptor; kInvalidSocket when there is none.
using Socket = std::intptr_t;
constexpr Socket kInvalidSocket = -1;

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

Socket OpenTcp(int& error);
void Close(Socket socket);

// Dotted IPv4 text to an address in network order, and back.
bool ParseIpv4(const std::string& text, std::uint32_t& address);
std::string FormatIpv4(std::uint32_t address);

// Connects within `timeout_ms` (no limit when 0 or less); 0 or a Winsock code.
int Connect(Socket socket, std::uint32_t address, std::uint16_t port, int timeout_ms);

// Longest wait for a send or receive to make progress.
void SetIdleTimeout(Socket socket, int timeout_ms);

// Waits up to `timeout_ms` for bytes (or the end of the data) to arrive:
// true when a receive would not wait; false with wsa::kTimedOut or another
// Winsock code.
bool WaitReadable(Socket socket, int timeout_ms, int& error);

// Sends every byte or fails with a Winsock code.
bool SendAll(Socket socket, const char* data, std::size_t size, int& error);

// Bytes received (at most `size`), 0 at the end of the data, -1 on error.
// With `peek` the bytes stay queued for the next receive.
long Receive(Socket socket, void* data, std::size_t size, int& error, bool peek = false);

// The local IPv4 address that reaches `server`, found by connecting a
// datagram socket (nothing is sent). False when no datagram socket exists;
// the address stays empty when the route cannot be had.
bool LocalAddressFor(const std::string& server, std::string& local);

// Closes its socket on scope exit unless released.
class SocketHolder {
 public:
  explicit SocketHolder(Socket socket = kInvalidSocket) : socket_(socket) {}
  ~SocketHolder() { Reset(); }
  SocketHolder(const SocketHolder&) = delete;
  SocketHolder& operator=(const SocketHolder&) = delete;
  Socket Get() const { return socket_; }
  Socket Release() {
    Socket s = socket_;
    socket_ = kInvalidSocket;
    return s;
  }
  void Reset() {
    if (socket_ != kInvalidSocket) Close(socket_);
    socket_ = kInvalidSocket;
  }

 private:
  Socket socket_;
};

}  // namespace oro::platform::net
