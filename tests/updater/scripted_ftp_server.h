// A loopback FTP server whose every byte the test writes: for replies that
// stock servers never send (split packets, missing parentheses, surplus
// data, silence).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace oro::test {

class ScriptedPeer {
 public:
  ScriptedPeer(std::intptr_t control, const std::atomic<bool>& stop, std::function<void(const std::string&)> record);
  ~ScriptedPeer();

  void Send(const std::string& bytes);
  // The next command line without its line end; empty once the client closed.
  std::string ReadCommand();
  // Reads a command and checks its first word; false (and the test fails) otherwise.
  bool Expect(const std::string& verb);
  // A passive listener on 127.0.0.1; returns its port.
  int OpenPassive();
  bool AcceptData();
  void SendData(const std::string& bytes);
  void CloseData();
  void WaitForStop();
  // 220 greeting, USER -> 331, PASS -> 230.
  void Login();

 private:
  bool WaitReadable(std::intptr_t socket);
  // Sockets as loopback_socket.h holds them.
  std::intptr_t control_;
  std::intptr_t listener_ = -1;
  std::intptr_t data_ = -1;
  std::string pending_;
  const std::atomic<bool>& stop_;
  std::function<void(const std::string&)> record_;
};

class ScriptedFtpServer {
 public:
  using Script = std::function<void(ScriptedPeer&)>;
  // Serves one connection with the script, then answers QUIT until the client closes.
  explicit ScriptedFtpServer(Script script);
  ~ScriptedFtpServer();
  int Port() const { return port_; }
  std::vector<std::string> Commands();

 private:
  void Serve(Script script);
  std::intptr_t listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::mutex mutex_;
  std::vector<std::string> commands_;
  std::thread thread_;
};

// "227 Entering Passive Mode (h1,h2,h3,h4,p1,p2)." for a port, naming `host`.
std::string PassiveReply(int port, const std::string& host = "127,0,0,1");

}  // namespace oro::test
