#include "ftp_test_server.h"

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
