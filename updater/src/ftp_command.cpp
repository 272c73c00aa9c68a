// Control connection: connect, one command and its reply, login, type, size.
#include <atomic>

#include "ftp_diagnostics.h"
#include "oro/updater/ftp_client.h"
#include "oro/updater/ftp_parse.h"
#include "socket_io.h"

namespace oro::updater {
namespace {

std::atomic<int> g_connect_ms{FtpTimeouts{}.connect_ms};
std::atomic<int> g_idle_ms{FtpTimeouts{}.idle_ms};

enum class LineEnd { kLine, kClosed, kFailed, kTooLong };

// Reads up to and including the next line feed without taking anything past
// it from the socket, so the next reply stays queued for the next command.
LineEnd ReadLine(FtpSocket socket, std::string& line, std::size_t limit, int& error) {
  char buf[1024];
  while (line.size() < limit) {
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

}  // namespace

void FtpSetTimeouts(const FtpTimeouts& timeouts) {
  g_connect_ms = timeouts.connect_ms;
  g_idle_ms = timeouts.idle_ms;
}

FtpTimeouts FtpGetTimeouts() {
  FtpTimeouts t;
  t.connect_ms = g_connect_ms;
  t.idle_ms = g_idle_ms;
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
    return kInvalidFtpSocket;
  }
  // A port the socket layer would silently cut to 16 bits is refused.
  if (port <= 0 || port > 65535) {
    diag::Err("无效的服务器端口: " + std::to_string(port));
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
    return kInvalidFtpSocket;
  }
  net::SetIdleTimeout(socket.Get(), g_idle_ms);
  diag::Out("成功连接到 " + where);
  return socket.Release();
}

FtpReply FtpCommand(FtpSocket socket, const std::string& command) {
  int error = 0;
  if (!command.empty()) {
    // A line break inside an argument would smuggle in a second command.
    if (HasLineBreak(command)) {
      diag::Err("命令包含换行符, 未发送");
      return {};
    }
    const std::string line = command + "\r\n";
    if (!net::SendAll(socket, line.data(), line.size(), error)) {
      diag::Err("发送命令失败: " + std::to_string(error));
      return {};
    }
  }
  FtpReplyAssembler reply;
  while (!reply.Complete()) {
    std::string line;
    const LineEnd end = ReadLine(socket, line, kMaxFtpReplyBytes - reply.Text().size(), error);
    if (end == LineEnd::kFailed) {
      diag::Err("接收响应失败: " + std::to_string(error));
      return {};
    }
    if (end == LineEnd::kTooLong) {
      diag::Err("接收响应失败: 响应过长");
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
      return {0, reply.Text()};
    }
    if (reply.Text().size() >= kMaxFtpReplyBytes) {
      diag::Err("接收响应失败: 响应过长");
      return {0, reply.Text()};
    }
  }
  if (reply.Code() == 0) diag::Err("解析响应代码失败");
  return {reply.Code(), reply.Text()};
}

bool FtpLogin(FtpSocket socket, const std::string& user, const std::string& password) {
  const FtpReply u = FtpCommand(socket, "USER " + user);
  if (u.code != 331) {
    diag::Err("用户名验证失败: " + diag::Quote(u.text));
    return false;
  }
  const FtpReply p = FtpCommand(socket, "PASS " + password);
  if (p.code != 230) {
    diag::Err("密码验证失败: " + diag::Quote(p.text));
    return false;
  }
  return true;
}

bool FtpSetBinary(FtpSocket socket) {
  const FtpReply r = FtpCommand(socket, "TYPE I");
  if (r.code != 200) {
    diag::Err("设置二进制模式失败: " + diag::Quote(r.text));
    return false;
  }
  return true;
}

std::int32_t FtpGetSize(FtpSocket socket, const std::string& path) {
  const FtpReply r = FtpCommand(socket, "SIZE " + path);
  if (r.code != 213) {
    diag::Err("获取文件大小失败: " + diag::Quote(r.text));
    return -1;
  }
  const std::int32_t size = FtpParseSizeReply(r.text);
  if (size < 0) diag::Err("解析文件大小失败");
  return size;
}

}  // namespace oro::updater
