// A real FTP server (Debian's pyftpdlib) on loopback, one per test. Linux
// forks it; a Windows test asks ftp_launcher.py, which CTest runs natively
// beside the Wine tests, and the server lives as long as that request's
// connection.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace oro::test {

class LoopbackFtpServer {
 public:
  struct Options {
    std::string user = "kit";
    std::string password = "secret";
    bool stock_size = false;  // refuse SIZE in ASCII mode
    std::string banner;
    // A file whose retrieval is announced and then never sent.
    std::string stall_file;
  };

  // Empty when the server can run here, else why it cannot.
  static std::string Unavailable();

  LoopbackFtpServer(const std::string& root, const Options& options);
  ~LoopbackFtpServer();
  LoopbackFtpServer(const LoopbackFtpServer&) = delete;
  LoopbackFtpServer& operator=(const LoopbackFtpServer&) = delete;

  // 0 when the server did not start.
  int Port() const { return port_; }

 private:
#ifdef _WIN32
  std::intptr_t control_ = -1;
#else
  pid_t pid_ = -1;
#endif
  int port_ = 0;
};

}  // namespace oro::test
