#include "ftp_test_server.h"

#ifdef _WIN32

#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "oro/platform/tcp_socket.h"

namespace oro::test {
namespace {

namespace net = platform::net;

// CTest's fixture names the launcher's state file ("PORT PID") here.
constexpr const char* kLauncherVariable = "ORO_FTP_LAUNCHER";

// A connection to the launcher with `request` sent; none with the reason.
net::Socket AskLauncher(const std::string& request, std::string& why) {
  const char* state = std::getenv(kLauncherVariable);
  if (!state || !*state) {
    why = std::string(kLauncherVariable) + " is not set: the FTP server is started by CTest's fixture (run ctest)";
    return net::kInvalidSocket;
  }
  int port = 0;
  if (!(std::ifstream(state) >> port) || port <= 0 || port > 65535) {
    why = std::string("the FTP launcher is not running (no port in ") + state + ")";
    return net::kInvalidSocket;
  }
  int error = 0;
  std::uint32_t loopback = 0;
  net::ParseIpv4("127.0.0.1", loopback);
  net::SocketHolder socket(net::OpenTcp(error));
  if (socket.Get() == net::kInvalidSocket ||
      (error = net::Connect(socket.Get(), loopback, static_cast<std::uint16_t>(port), 5000)) != 0 ||
      !net::SendAll(socket.Get(), request.data(), request.size(), error)) {
    why = "the FTP launcher on port " + std::to_string(port) + " cannot be reached: " + std::to_string(error);
    return net::kInvalidSocket;
  }
  return socket.Release();
}

// One reply line, within the time a server needs to start.
std::string ReplyLine(net::Socket socket) {
  net::SetIdleTimeout(socket, 20000);
  std::string line;
  char c = 0;
  int error = 0;
  while (line.size() < 512 && net::Receive(socket, &c, 1, error) == 1 && c != '\n') line += c;
  return line;
}

}  // namespace

std::string LoopbackFtpServer::Unavailable() {
  std::string why;
  net::SocketHolder socket(AskLauncher("check\n\n", why));
  if (socket.Get() == net::kInvalidSocket) return why;
  const std::string reply = ReplyLine(socket.Get());
  return reply == "ok" ? "" : reply.empty() ? "the FTP launcher did not answer" : reply;
}

LoopbackFtpServer::LoopbackFtpServer(const std::string& root, const Options& options) {
  std::string request = "serve\n" + root + "\n--user\n" + options.user + "\n--password\n" + options.password + "\n";
  if (options.stock_size) request += "--stock-size\n";
  if (!options.stall_file.empty()) request += "--stall-retr\n" + options.stall_file + "\n";
  if (!options.banner.empty()) request += "--banner\n" + options.banner + "\n";
  request += "\n";
  std::string why;
  net::SocketHolder socket(AskLauncher(request, why));
  if (socket.Get() == net::kInvalidSocket) {
    std::fprintf(stderr, "%s\n", why.c_str());
    return;
  }
  const std::string reply = ReplyLine(socket.Get());
  port_ = std::atoi(reply.c_str());
  if (port_ <= 0) {
    std::fprintf(stderr, "the FTP launcher refused: %s\n", reply.c_str());
    port_ = 0;
    return;
  }
  control_ = socket.Release();
}

LoopbackFtpServer::~LoopbackFtpServer() {
  // The launcher ends the server once this connection closes.
  net::Close(control_);
}

}  // namespace oro::test

#else

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace oro::test {
namespace {

// Debian's interpreter: the python3 first on PATH may lack Debian's modules.
constexpr const char* kPython = "/usr/bin/python3";

}  // namespace

std::string LoopbackFtpServer::Unavailable() {
  if (access(kPython, X_OK) != 0) return std::string(kPython) + " is missing (install python3-pyftpdlib)";
  const std::string check = std::string(kPython) + " -c 'import pyftpdlib' >/dev/null 2>&1";
  if (std::system(check.c_str()) != 0)
    return std::string(kPython) + " cannot import pyftpdlib (install python3-pyftpdlib)";
  return "";
}

LoopbackFtpServer::LoopbackFtpServer(const std::string& root, const Options& options) {
  int out[2];
  if (pipe(out) != 0) return;
  std::vector<std::string> args = {kPython,  ORO_FTP_SERVER_SCRIPT, "--root",     root,
                                   "--user", options.user,          "--password", options.password};
  if (options.stock_size) args.push_back("--stock-size");
  if (!options.stall_file.empty()) {
    args.push_back("--stall-retr");
    args.push_back(options.stall_file);
  }
  if (!options.banner.empty()) {
    args.push_back("--banner");
    args.push_back(options.banner);
  }
  pid_ = fork();
  if (pid_ == 0) {
    dup2(out[1], STDOUT_FILENO);
    // The server logs every command; the tests read the client's lines only.
    const int null_fd = open("/dev/null", O_WRONLY);
    if (null_fd >= 0) dup2(null_fd, STDERR_FILENO);
    close(out[0]);
    close(out[1]);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execv(kPython, argv.data());
    _exit(127);
  }
  close(out[1]);
  if (pid_ < 0) {
    close(out[0]);
    return;
  }
  // The port line comes once the server listens.
  std::FILE* f = fdopen(out[0], "r");
  char line[32] = {};
  if (f && std::fgets(line, sizeof line, f)) port_ = std::atoi(line);
  if (f) std::fclose(f);
}

LoopbackFtpServer::~LoopbackFtpServer() {
  if (pid_ <= 0) return;
  kill(pid_, SIGTERM);
  int status = 0;
  waitpid(pid_, &status, 0);
}

}  // namespace oro::test

#endif
