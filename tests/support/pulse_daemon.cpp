#include "pulse_daemon.h"

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>
#include <utility>
#include <vector>

#include "temp_root.h"

namespace oro::test {
namespace {

bool Executable(const char* path) { return access(path, X_OK) == 0; }

}  // namespace

PulseDaemon::PulseDaemon(std::string dir) : dir_(std::move(dir)) {}

PulseDaemon::~PulseDaemon() { Kill(); }

bool PulseDaemon::Start() {
  if (pid_ > 0) return true;
  if (!Executable("/usr/bin/pulseaudio") || !Executable("/usr/bin/pactl")) {
    why_ = "the pulseaudio and pulseaudio-utils packages are not installed";
    return false;
  }
  for (const char* sub : {"/xdg", "/state"}) mkdir((dir_ + sub).c_str(), 0700);
  const std::string log = dir_ + "/pulse.log";
  const std::string socket_arg = "module-native-protocol-unix socket=" + dir_ + "/native auth-anonymous=1";
  std::vector<std::string> env = {
      "PATH=/usr/bin:/bin",
      "HOME=" + dir_,
      "XDG_RUNTIME_DIR=" + dir_ + "/xdg",
      "PULSE_RUNTIME_PATH=" + dir_ + "/xdg",
      "PULSE_STATE_PATH=" + dir_ + "/state",
      "DBUS_SESSION_BUS_ADDRESS=disabled:",
  };
  for (const char* keep : {"ORO_ROOT", "ORO_PLATFORM", "ORO_DEBUG_LOG"}) {
    if (const char* v = std::getenv(keep)) env.push_back(std::string(keep) + "=" + v);
  }
  std::vector<std::string> args = {"pulseaudio",
                                   "-n",
                                   "--daemonize=no",
                                   "--system=no",
                                   "--use-pid-file=no",
                                   "--exit-idle-time=-1",
                                   "--realtime=no",
                                   "--high-priority=no",
                                   "--disable-shm=yes",
                                   "--log-target=stderr",
                                   "--log-level=info",
                                   "-L",
                                   socket_arg,
                                   "-L",
                                   "module-cli-protocol-unix socket=" + dir_ + "/cli"};
  const pid_t pid = fork();
  if (pid < 0) {
    why_ = "cannot fork";
    return false;
  }
  if (pid == 0) {
    if (FILE* f = std::freopen(log.c_str(), "a", stderr)) (void)f;
    std::vector<char*> argv, envp;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    execve("/usr/bin/pulseaudio", argv.data(), envp.data());
    _exit(127);
  }
  pid_ = pid;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
  while (std::chrono::steady_clock::now() < deadline) {
    if (Pactl("info") == 0) return true;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      why_ = "pulseaudio exited at start; see " + log;
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  Kill();
  why_ = "pulseaudio did not answer within 15 s; see " + log;
  return false;
}

int PulseDaemon::Pactl(const std::string& arguments, std::string* out) const {
  return RunCommand("env -u PULSE_COOKIE PULSE_SERVER=" + Server() + " /usr/bin/pactl " + arguments, out);
}

bool PulseDaemon::Command(const std::string& line, std::string* out) const {
  const std::string path = dir_ + "/cli";
  sockaddr_un addr{};
  if (path.size() >= sizeof addr.sun_path) return false;
  addr.sun_family = AF_UNIX;
  path.copy(addr.sun_path, path.size());
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  std::string reply;
  bool ok = connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
  const std::string script = line + "\n";
  ok = ok && write(fd, script.data(), script.size()) == static_cast<ssize_t>(script.size());
  // The end of input ends the session ("exit" would end the server); five
  // seconds is far beyond any answer.
  ok = ok && shutdown(fd, SHUT_WR) == 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (ok && std::chrono::steady_clock::now() < deadline) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 100) <= 0) continue;
    char buf[512];
    const ssize_t n = read(fd, buf, sizeof buf);
    if (n <= 0) break;
    reply.append(buf, static_cast<std::size_t>(n));
  }
  close(fd);
  if (out) *out = reply;
  // A failed command is answered with a line starting with "No" or saying
  // what failed; a successful one prints nothing.
  return ok && reply.find("No ") == std::string::npos && reply.find("failed") == std::string::npos &&
         reply.find("Unknown command") == std::string::npos;
}

int PulseDaemon::LoadSink(const std::string& name, const std::string& properties) const {
  return Load("module-null-sink sink_name=" + name + " \"sink_properties=\\\"" + properties +
              "\\\"\" rate=48000 channels=2");
}

int PulseDaemon::LoadSource(const std::string& name, const std::string& properties, const std::string& sink) const {
  return Load("module-remap-source source_name=" + name + " master=" + sink + ".monitor \"source_properties=\\\"" +
              properties + "\\\"\"");
}

int PulseDaemon::Load(const std::string& module_and_arguments) const {
  std::string out;
  if (Pactl("load-module " + module_and_arguments, &out) != 0) return -1;
  return std::atoi(out.c_str());
}

bool PulseDaemon::CanLoadBuiltPlugins(std::string* why) {
#if defined(__SANITIZE_ADDRESS__)
  *why = "the kit's plugin is built with the address sanitizer, which the sound server cannot load";
  return false;
#else
  why->clear();
  return true;
#endif
}

void PulseDaemon::Kill() {
  if (pid_ <= 0) return;
  // SIGKILL ends a frozen server too, without letting it answer first.
  kill(pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

void PulseDaemon::Freeze() {
  if (pid_ > 0) kill(pid_, SIGSTOP);
}

void PulseDaemon::Thaw() {
  if (pid_ > 0) kill(pid_, SIGCONT);
}

}  // namespace oro::test
