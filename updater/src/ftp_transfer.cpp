// Sessions and transfers: open, retrieve into memory, quit, and the whole
// download sequence.
#include <algorithm>

#include "ftp_diagnostics.h"
#include "oro/platform/large_buffer.h"
#include "oro/platform/tcp_socket.h"
#include "oro/updater/ftp_client.h"

namespace oro::updater {

namespace net = platform::net;
namespace {

constexpr std::size_t kBlockSize = 64 * 1024;
constexpr int kQuitReplyWaitMs = 5000;

void Report(FtpProgressFn callback, void* context, std::uint32_t event, std::int32_t value) {
  if (callback) callback(event, value, context);
}

// Receives the data connection's bytes into exactly `size` bytes of buffer.
// A server that sends more or less than it announced fails the transfer:
// the buffer would otherwise be overrun or handed over half filled.
bool ReceiveAll(FtpSocket data, std::uint8_t* buffer, std::size_t size, FtpProgressFn callback, void* context) {
  std::size_t total = 0;
  int error = 0;
  for (;;) {
    if (total == size) {
      char probe;
      const long n = net::Receive(data, &probe, 1, error);
      if (n == 0) return true;
      if (n < 0) {
        diag::Err("接收数据失败: " + std::to_string(error));
        diag::SetFailure("receiving data failed after all " + std::to_string(size) + " bytes (error " +
                         std::to_string(error) + ")");
      } else {
        diag::Err("接收的数据超出文件大小: " + std::to_string(size));
        diag::SetFailure("the server sent more than the " + std::to_string(size) + " bytes it announced");
      }
      return false;
    }
    const std::size_t want = std::min(kBlockSize, size - total);
    const long n = net::Receive(data, buffer + total, want, error);
    if (n < 0) {
      diag::Err("接收数据失败: " + std::to_string(error));
      diag::SetFailure(
          std::string(error == net::wsa::kTimedOut ? "the data connection went silent" : "receiving data failed") +
          " after " + std::to_string(total) + " of " + std::to_string(size) + " bytes (error " + std::to_string(error) +
          ")");
      return false;
    }
    if (n == 0) {
      diag::Err("接收的数据不完整: " + std::to_string(total) + "/" + std::to_string(size));
      diag::SetFailure("the data connection ended after " + std::to_string(total) + " of " + std::to_string(size) +
                       " bytes");
      return false;
    }
    total += static_cast<std::size_t>(n);
    // 100 is kept for the server's confirmation after the last byte.
    const auto percent = static_cast<std::uint64_t>(total) * 100u / size;
    Report(callback, context, ftp_event::kProgress, static_cast<std::int32_t>(std::min<std::uint64_t>(percent, 99)));
  }
}

// Ends a session on every way out of the download, exceptions included.
class OpenSession {
 public:
  explicit OpenSession(FtpSocket socket) : socket_(socket) {}
  ~OpenSession() { Quit(); }
  OpenSession(const OpenSession&) = delete;
  OpenSession& operator=(const OpenSession&) = delete;
  FtpSocket Get() const { return socket_; }
  void Quit() {
    if (socket_ != kInvalidFtpSocket) FtpQuit(socket_);
    socket_ = kInvalidFtpSocket;
  }

 private:
  FtpSocket socket_;
};

}  // namespace

int FtpRetrieveToMemory(FtpSocket socket, const std::string& path, std::uint8_t* buffer, std::size_t size,
                        const std::string& address, FtpProgressFn callback, void* context) {
  const FtpReply pasv = FtpCommand(socket, "PASV");
  if (pasv.code / 100 != 2) {
    if (pasv.code != 0) diag::SetFailure("the server refused passive mode: " + diag::Printable(pasv.text));
    Report(callback, context, ftp_event::kPassiveFailed, -1);
    return ftp_retrieve::kPassiveRefused;
  }
  const int port = FtpParsePasvPort(pasv.text);
  if (port <= 0) {
    diag::SetFailure("the passive-mode reply names no usable port: " + diag::Printable(pasv.text));
    Report(callback, context, ftp_event::kPassiveFailed, -1);
    return ftp_retrieve::kNoPassivePort;
  }
  // The data connection is opened before RETR: servers that confirm the
  // command only once the connection is there would otherwise wait for us
  // while we wait for them.
  net::SocketHolder data(FtpConnect(address, port));
  if (data.Get() == kInvalidFtpSocket) {
    Report(callback, context, ftp_event::kRetrieveFailed, -1);
    return ftp_retrieve::kDataConnectFailed;
  }
  const FtpReply retr = FtpCommand(socket, "RETR " + path);
  if (retr.code / 100 != 1) {
    if (retr.code != 0) {
      diag::SetFailure("the server refused to send '" + path + "': " + diag::Printable(retr.text));
    }
    Report(callback, context, ftp_event::kRetrieveFailed, -1);
    return ftp_retrieve::kRetrieveRefused;
  }
  const bool received = ReceiveAll(data.Get(), buffer, size, callback, context);
  data.Reset();
  if (!received) {
    Report(callback, context, ftp_event::kProgress, -1);
    return ftp_retrieve::kReceiveFailed;
  }
  const FtpReply done = FtpCommand(socket, "");
  if (done.code / 100 != 2) {
    if (done.code != 0) diag::SetFailure("the server did not confirm the transfer: " + diag::Printable(done.text));
    Report(callback, context, ftp_event::kProgress, -1);
    return ftp_retrieve::kFinalReplyBad;
  }
  Report(callback, context, ftp_event::kProgress, 100);
  return ftp_retrieve::kOk;
}

int FtpOpenSession(const std::string& address, const std::string& user, const std::string& password, int port,
                   FtpSocket& out_socket) {
  out_socket = kInvalidFtpSocket;
  diag::ClearFailure();
  int error = 0;
  if (!net::StartNetwork(error)) {
    diag::Err("WSAStartup失败: " + std::to_string(error));
    diag::SetFailure("the network layer could not be started (error " + std::to_string(error) + ")");
    return ftp_result::kNetworkUnavailable;
  }
  std::string local;
  if (!net::LocalAddressFor(address, local)) {
    diag::SetFailure("no datagram socket for finding the local address");
    net::StopNetwork();
    return ftp_result::kNoLocalAddress;
  }
  net::SocketHolder control(FtpConnect(address, port));
  if (control.Get() == kInvalidFtpSocket) {
    net::StopNetwork();
    return ftp_result::kConnectFailed;
  }
  const FtpReply greeting = FtpCommand(control.Get(), "");
  if (greeting.code / 100 != 2) {
    // The greeting's own failure (time-out, closed, no code) is already set.
    if (greeting.code != 0) {
      diag::SetFailure("the server's greeting is not a welcome: " + diag::Printable(greeting.text));
    } else {
      diag::SetFailure("greeting: " + diag::Failure());
    }
    control.Reset();
    net::StopNetwork();
    return ftp_result::kBadGreeting;
  }
  if (!FtpLogin(control.Get(), user, password)) {
    control.Reset();
    net::StopNetwork();
    return ftp_result::kLoginFailed;
  }
  out_socket = control.Release();
  return ftp_result::kOk;
}

int FtpQuit(FtpSocket socket) {
  // The answer is ignored, so a silent server is not waited for long.
  const int idle = FtpGetTimeouts().idle_ms;
  net::SetIdleTimeout(socket, idle > 0 ? std::min(idle, kQuitReplyWaitMs) : kQuitReplyWaitMs);
  FtpCommand(socket, "QUIT");
  net::Close(socket);
  net::StopNetwork();
  return 1;
}

int FtpDownloadToMemory(const std::string& address, const std::string& user, const std::string& password,
                        const std::string& path, std::unique_ptr<std::uint8_t[]>& out_buffer, std::int32_t& out_size,
                        FtpProgressFn callback, void* context, int port) {
  out_buffer.reset();
  diag::ClearFailure();
  FtpSocket socket = kInvalidFtpSocket;
  const int opened = FtpOpenSession(address, user, password, port, socket);
  if (opened != ftp_result::kOk) {
    Report(callback, context, ftp_event::kOpenFailed, -1);
    return opened;
  }
  OpenSession session(socket);
  try {
    const std::int32_t size = FtpGetSize(session.Get(), path);
    if (size < 0) {
      session.Quit();
      Report(callback, context, ftp_event::kSizeFailed, -1);
      return ftp_result::kSizeFailed;
    }
    out_size = size;
    if (!FtpSetBinary(session.Get())) {
      session.Quit();
      Report(callback, context, ftp_event::kBinaryFailed, -1);
      return ftp_result::kBinaryRefused;
    }
    std::unique_ptr<std::uint8_t[]> buffer = platform::AllocateLargeBuffer(static_cast<std::size_t>(size));
    if (!buffer) {
      diag::Err("内存不足: " + std::to_string(size));
      diag::SetFailure("no memory for " + std::to_string(size) + " bytes");
    } else if (FtpRetrieveToMemory(session.Get(), path, buffer.get(), static_cast<std::size_t>(size), address, callback,
                                   context) == ftp_retrieve::kOk) {
      out_buffer = std::move(buffer);
      session.Quit();
      return ftp_result::kOk;
    }
  } catch (...) {
    // Only allocation can throw here; it ends like any failed transfer.
  }
  out_buffer.reset();
  session.Quit();
  Report(callback, context, ftp_event::kProgress, -1);
  return ftp_result::kTransferFailed;
}

const char* FtpResultText(int result) {
  switch (result) {
    case ftp_result::kOk:
      return "downloaded";
    case ftp_result::kNetworkUnavailable:
      return "the network layer could not be started";
    case ftp_result::kNoLocalAddress:
      return "no local address could be determined";
    case ftp_result::kConnectFailed:
      return "the control connection failed";
    case ftp_result::kBadGreeting:
      return "the server gave no usable greeting";
    case ftp_result::kLoginFailed:
      return "the login failed";
    case ftp_result::kSizeFailed:
      return "the file's size could not be read";
    case ftp_result::kBinaryRefused:
      return "binary mode was refused";
    case ftp_result::kTransferFailed:
      return "the transfer failed";
    default:
      return "unknown result";
  }
}

std::string FtpLastFailure() { return diag::Failure(); }

}  // namespace oro::updater
