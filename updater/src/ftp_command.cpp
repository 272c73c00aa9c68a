// Control connection: connect, one command and its reply, login, type, size.
#include <atomic>
#include <chrono>

#include "ftp_diagnostics.h"
#include "oro/platform/tcp_socket.h"
#include "oro/updater/ftp_client.h"
#include "oro/updater/ftp_parse.h"

namespace oro::updater {

namespace net = platform::net;
namespace {

std::atomic<int> g_connect_ms{FtpTimeouts{}.connect_ms};
std::atomic<int> g_idle_ms{FtpTimeouts{}.idle_ms};
std::atomic<int> g_reply_ms{FtpTimeouts{}.reply_ms};

using Clock = std::chrono::steady_clock;

enum class LineEnd { kLine, kClosed, kFailed, kTooLong };

// Reads up to and including the next line feed without taking anything past
// it from the socket, so the next reply stays queued for the next command.
// Every wait ends by the exchange's deadline, so a server handing out one
// byte at a time cannot hold the caller longer than that, and by the idle
// time-out, so a silent one cannot hold it longer than that either. On a
// time-out `bound_ms` is the bound that ran out.
LineEnd ReadLine(FtpSocket socket, std::string& line, std::size_t limit, const Clock::time_point* deadline, int idle_ms,
                 int& error, int& bound_ms) {
  char buf[1024];
  while (line.size() < limit) {
    if (deadline) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - Clock::now()).count();
      if (left <= 0) {
        error = net::wsa::kTimedOut;
        return LineEnd::kFailed;
      }
      const bool idle_first = idle_ms > 0 && idle_ms < left;
      if (!net::WaitReadable(socket, idle_first ? idle_ms : static_cast<int>(left), error)) {
        if (idle_first) bound_ms = idle_ms;
        return LineEnd::kFailed;
      }
    }
    const long peeked = net::Receive(socket, buf, sizeof buf, error, true);
    if (peeked < 0) return LineEnd::kFailed;
    if (peeked == 0) return LineEnd::kClosed;
    std::size_t take = static_cast<std::size_t>(peeked);
    for (std::size_t i = 0; i < take; ++i) {
      if (buf[i] == '\n') {
        take = i + 1;
        break;
      }
    }
    const long got = net::Receive(socket, buf, take, error);
    if (got < 0) return LineEnd::kFailed;
    if (got == 0) return LineEnd::kClosed;
    line.append(buf, static_cast<std::size_t>(got));
    if (line.back() == '\n') return LineEnd::kLine;
  }
  return LineEnd::kTooLong;
}

bool HasLineBreak(const std::string& text) { return text.find_first_of(std::string("\r\n\0", 3)) != std::string::npos; }

// The reply as a failure text names it: by the command's verb alone, so a
// password never shows.
std::string ReplyTo(const std::string& command) {
  if (command.empty()) return "reply";
  return "reply to " + command.substr(0, command.find(' '));
}

std::string Seconds(int ms) { return ms % 1000 == 0 ? std::to_string(ms / 1000) + " s" : std::to_string(ms) + " ms"; }

}  // namespace

void FtpSetTimeouts(const FtpTimeouts& timeouts) {
  g_connect_ms = timeouts.connect_ms;
  g_idle_ms = timeouts.idle_ms;
  g_reply_ms = timeouts.reply_ms;
}

FtpTimeouts FtpGetTimeouts() {
  FtpTimeouts t;
  t.connect_ms = g_connect_ms;
  t.idle_ms = g_idle_ms;
  t.reply_ms = g_reply_ms;
  return t;
}

FtpSocket FtpConnect(const std::string& address, int port) {
  int error = 0;
  net::SocketHolder socket(net::OpenTcp(error));
  if (socket.Get() == kInvalidFtpSocket) {
    diag::Err("创建套接字失败: " + std::to_string(error));
    return kInvalidFtpSocket;
  }
  std::uint32_t ip = 0;
  if (!net::ParseIpv4(address, ip)) {
    diag::Err("无效的服务器IP地址: " + std::to_string(net::wsa::kInvalid));
    diag::SetFailure("'" + address + "' is not a dotted IPv4 address");
    return kInvalidFtpSocket;
  }
  // A port the socket layer would silently cut to 16 bits is refused.
  if (port <= 0 || port > 65535) {
    diag::Err("无效的服务器端口: " + std::to_string(port));
    diag::SetFailure("port " + std::to_string(port) + " is outside 1 to 65535");
    return kInvalidFtpSocket;
  }
  const std::string where = address + ":" + std::to_string(port);
  diag::Out("尝试连接到 " + where + "...");
  error = net::Connect(socket.Get(), ip, static_cast<std::uint16_t>(port), g_connect_ms);
  if (error != 0) {
    std::string line = "连接失败: " + std::to_string(error);
    if (error == net::wsa::kTimedOut) line += " (连接超时)";
    if (error == net::wsa::kConnectionRefused) line += " (连接被拒绝)";
    diag::Err(line);
    std::string why = "error " + std::to_string(error);
    if (error == net::wsa::kTimedOut) why = "no answer within " + Seconds(g_connect_ms);
    if (error == net::wsa::kConnectionRefused) why = "connection refused";
    diag::SetFailure("cannot connect to " + where + ": " + why);
    return kInvalidFtpSocket;
  }
  net::SetIdleTimeout(socket.Get(), g_idle_ms);
  diag::Out("成功连接到 " + where);
  return socket.Release();
}

FtpReply FtpCommand(FtpSocket socket, const std::string& command) {
  int error = 0;
  const int reply_ms = g_reply_ms;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(reply_ms);
  const Clock::time_point* by = reply_ms > 0 ? &deadline : nullptr;
  if (!command.empty()) {
    // A line break inside an argument would smuggle in a second command.
    if (HasLineBreak(command)) {
      diag::Err("命令包含换行符, 未发送");
      diag::SetFailure("a line break inside a command argument; nothing was sent");
      return {};
    }
    const std::string line = command + "\r\n";
    if (!net::SendAll(socket, line.data(), line.size(), error)) {
      diag::Err("发送命令失败: " + std::to_string(error));
      diag::SetFailure("sending " + command.substr(0, command.find(' ')) + " failed (error " + std::to_string(error) +
                       ")");
      return {};
    }
  }
  FtpReplyAssembler reply;
  while (!reply.Complete()) {
    std::string line;
    int bound_ms = by ? reply_ms : static_cast<int>(g_idle_ms);
    const LineEnd end = ReadLine(socket, line, kMaxFtpReplyBytes - reply.Text().size(), by, g_idle_ms, error, bound_ms);
    if (end == LineEnd::kFailed) {
      diag::Err("接收响应失败: " + std::to_string(error));
      diag::SetFailure(error == net::wsa::kTimedOut
                           ? "no complete " + ReplyTo(command) + " within " + Seconds(bound_ms) + " (time-out)"
                           : "receiving the " + ReplyTo(command) + " failed (error " + std::to_string(error) + ")");
      return {};
    }
    if (end == LineEnd::kTooLong) {
      diag::Err("接收响应失败: 响应过长");
      diag::SetFailure("the " + ReplyTo(command) + " is longer than " + std::to_string(kMaxFtpReplyBytes) + " bytes");
      return {0, reply.Text() + line};
    }
    // A last line cut short by the server closing still counts.
    if (!line.empty()) reply.AddLine(line);
    if (reply.Complete()) break;
    if (end == LineEnd::kClosed) {
      if (reply.Text().empty()) {
        diag::Err("解析响应代码失败");
      } else {
        diag::Err("接收响应失败: 连接已关闭");
      }
      diag::SetFailure("the server closed the connection before the " + ReplyTo(command) + " was complete");
      return {0, reply.Text()};
    }
    if (reply.Text().size() >= kMaxFtpReplyBytes) {
      diag::Err("接收响应失败: 响应过长");
      diag::SetFailure("the " + ReplyTo(command) + " is longer than " + std::to_string(kMaxFtpReplyBytes) + " bytes");
      return {0, reply.Text()};
    }
  }
  if (reply.Code() == 0) {
    diag::Err("解析响应代码失败");
    diag::SetFailure("the " + ReplyTo(command) + " has no reply code: " + diag::Printable(reply.Text()));
  }
  return {reply.Code(), reply.Text()};
}

bool FtpLogin(FtpSocket socket, const std::string& user, const std::string& password) {
  const FtpReply u = FtpCommand(socket, "USER " + user);
  if (u.code != 331) {
    diag::Err("用户名验证失败: " + diag::Quote(u.text));
    if (u.code != 0)
      diag::SetFailure("the server did not ask for a password for user '" + user + "': " + diag::Printable(u.text));
    return false;
  }
  const FtpReply p = FtpCommand(socket, "PASS " + password);
  if (p.code != 230) {
    diag::Err("密码验证失败: " + diag::Quote(p.text));
    if (p.code != 0) diag::SetFailure("the server refused the password: " + diag::Printable(p.text));
    return false;
  }
  return true;
}

bool FtpSetBinary(FtpSocket socket) {
  const FtpReply r = FtpCommand(socket, "TYPE I");
  if (r.code != 200) {
    diag::Err("设置二进制模式失败: " + diag::Quote(r.text));
    if (r.code != 0) diag::SetFailure("the server refused binary mode: " + diag::Printable(r.text));
    return false;
  }
  return true;
}

std::int32_t FtpGetSize(FtpSocket socket, const std::string& path) {
  const FtpReply r = FtpCommand(socket, "SIZE " + path);
  if (r.code != 213) {
    diag::Err("获取文件大小失败: " + diag::Quote(r.text));
    // 550 and its kin: the path itself was refused (missing, a folder, not allowed).
    if (r.code / 100 == 5) {
      diag::SetFailure("the server refused the remote path '" + path + "': " + diag::Printable(r.text));
    } else if (r.code != 0) {
      diag::SetFailure("the server did not give the size of '" + path + "': " + diag::Printable(r.text));
    }
    return -1;
  }
  const std::int32_t size = FtpParseSizeReply(r.text);
  if (size < 0) {
    diag::Err("解析文件大小失败");
    diag::SetFailure("the size reply holds no usable size: " + diag::Printable(r.text));
  }
  return size;
}

}  // namespace oro::updater
