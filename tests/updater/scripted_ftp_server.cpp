#include "scripted_ftp_server.h"

#include <chrono>

#include <gtest/gtest.h>

#include "loopback_socket.h"

namespace oro::test {
namespace {

constexpr auto kPatience = std::chrono::seconds(20);

}  // namespace

using namespace loopback;

ScriptedPeer::ScriptedPeer(std::intptr_t control, const std::atomic<bool>& stop,
                           std::function<void(const std::string&)> record)
    : control_(control), stop_(stop), record_(std::move(record)) {}

ScriptedPeer::~ScriptedPeer() {
  CloseData();
  Close(listener_);
}

bool ScriptedPeer::WaitReadable(std::intptr_t socket) {
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  while (!stop_ && std::chrono::steady_clock::now() < deadline) {
    if (Readable(socket, 20)) return true;
  }
  return false;
}

void ScriptedPeer::Send(const std::string& bytes) { SendAll(control_, bytes); }

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
    const long n = Receive(control_, buf, sizeof buf);
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
  listener_ = Bound(4, &port);
  return port;
}

bool ScriptedPeer::AcceptData() {
  if (listener_ < 0 || !WaitReadable(listener_)) return false;
  data_ = Accept(listener_);
  return data_ != kNone;
}

void ScriptedPeer::SendData(const std::string& bytes) { SendAll(data_, bytes); }

void ScriptedPeer::CloseData() {
  Close(data_);
  data_ = kNone;
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
  listener_ = Bound(4, &port_);
  thread_ = std::thread([this, script = std::move(script)] { Serve(script); });
}

ScriptedFtpServer::~ScriptedFtpServer() {
  stop_ = true;
  if (thread_.joinable()) thread_.join();
  Close(listener_);
}

std::vector<std::string> ScriptedFtpServer::Commands() {
  std::lock_guard<std::mutex> lock(mutex_);
  return commands_;
}

void ScriptedFtpServer::Serve(Script script) {
  if (listener_ == kNone) return;
  const auto deadline = std::chrono::steady_clock::now() + kPatience;
  Socket control = kNone;
  while (!stop_ && control == kNone && std::chrono::steady_clock::now() < deadline) {
    if (Readable(listener_, 20)) control = Accept(listener_);
  }
  if (control == kNone) return;
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
  Close(control);
}

std::string PassiveReply(int port, const std::string& host) {
  return "227 Entering Passive Mode (" + host + "," + std::to_string(port / 256) + "," + std::to_string(port % 256) +
         ").\r\n";
}

}  // namespace oro::test
