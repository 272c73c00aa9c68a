#include "scripted_ftp_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

#include <gtest/gtest.h>

namespace oro::test {
namespace {

constexpr auto kPatience = std::chrono::seconds(20);

int ListenLoopback(int& port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in sa{};
  sa.sin_family = AF_INET;
  sa.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof sa;
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&sa), sizeof sa) != 0 || listen(fd, 4) != 0 ||
      getsockname(fd, reinterpret_cast<sockaddr*>(&sa), &len) != 0) {
    if (fd >= 0) close(fd);
    return -1;
  }
  port = ntohs(sa.sin_port);
  return fd;
}

void SendBytes(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (fd >= 0 && done < bytes.size()) {
    const ssize_t n = send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace

ScriptedPeer::ScriptedPeer(int control, const std::atomic<bool>& stop, std::function<void(const std::string&)> record)
    : control_(control), stop_(stop), record_(std::move(record)) {}

ScriptedPeer::~ScriptedPeer() {
  CloseData();
  if (listener_ >= 0) close(listener_);
}

bool ScriptedPeer::WaitReadable(int fd) {
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (!stop_ && std::chrono::steady_clock::now() < deadline) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 20) > 0) return true;
  }
  return false;
}

void ScriptedPeer::Send(const std::string& bytes) { SendBytes(control_, bytes); }

std::string ScriptedPeer::ReadCommand() {
  for (;;) {
    const std::size_t eol = pending_.find("\r\n");
    if (eol != std::string::npos) {
      std::string line = pending_.substr(0, eol);
      pending_.erase(0, eol + 2);
      record_(line);
      return line;
    }
    if (!WaitReadable(control_)) return "";
    char buf[512];
    const ssize_t n = recv(control_, buf, sizeof buf, 0);
    if (n <= 0) return "";
    pending_.append(buf, static_cast<std::size_t>(n));
  }
}

bool ScriptedPeer::Expect(const std::string& verb) {
  const std::string line = ReadCommand();
  EXPECT_EQ(line.substr(0, verb.size()), verb) << "the client sent '" << line << "'";
  return line.compare(0, verb.size(), verb) == 0;
}

int ScriptedPeer::OpenPassive() {
  int port = 0;
  listener_ = ListenLoopback(port);
  return port;
}

bool ScriptedPeer::AcceptData() {
  if (listener_ < 0 || !WaitReadable(listener_)) return false;
  data_ = accept(listener_, nullptr, nullptr);
  return data_ >= 0;
}

void ScriptedPeer::SendData(const std::string& bytes) { SendBytes(data_, bytes); }

void ScriptedPeer::CloseData() {
  if (data_ >= 0) close(data_);
  data_ = -1;
}

void ScriptedPeer::WaitForStop() {
  while (!stop_) std::this_thread::sleep_for(std::chrono::milliseconds(10));
}

void ScriptedPeer::Login() {
  Send("220 scripted\r\n");
  if (Expect("USER")) Send("331 password please\r\n");
  if (Expect("PASS")) Send("230 logged in\r\n");
}

ScriptedFtpServer::ScriptedFtpServer(Script script) {
  listener_ = ListenLoopback(port_);
  thread_ = std::thread([this, script = std::move(script)] { Serve(script); });
}

ScriptedFtpServer::~ScriptedFtpServer() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  if (listener_ >= 0) close(listener_);
}

std::vector<std::string> ScriptedFtpServer::Commands() {
  std::lock_guard<std::mutex> lock(mutex_);
  return commands_;
}

void ScriptedFtpServer::Serve(Script script) {
  if (listener_ < 0) return;
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  int control = -1;
  while (!stop_ && control < 0 && std::chrono::steady_clock::now() < deadline) {
    pollfd p{listener_, POLLIN, 0};
    if (poll(&p, 1, 20) > 0) control = accept(listener_, nullptr, nullptr);
  }
  if (control < 0) return;
  {
    ScriptedPeer peer(control, stop_, [this](const std::string& line) {
      std::lock_guard<std::mutex> lock(mutex_);
      commands_.push_back(line);
    });
    script(peer);
    for (std::string line = peer.ReadCommand(); !line.empty(); line = peer.ReadCommand()) {
      if (line == "QUIT") peer.Send("221 bye\r\n");
    }
  }
  close(control);
}

std::string PassiveReply(int port, const std::string& host) {
  return "227 Entering Passive Mode (" + host + "," + std::to_string(port / 256) + "," + std::to_string(port % 256) +
         ").\r\n";
}

}  // namespace oro::test
