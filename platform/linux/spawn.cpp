// Starting a program detached: fork twice so the program is reparented at
// once and nobody has to reap it, and report an exec failure back through a
// close-on-exec pipe (end of file means the program runs). Everything the
// children need is prepared before the first fork, since a child of a
// threaded process may only make async-signal-safe calls.
#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "oro/platform/linux/procfs.h"
#include "oro/platform/text.h"

extern char** environ;

namespace oro::platform::linux_host {
namespace {

enum RecordKind : int { kPid = 1, kExecErrno = 2, kForkErrno = 3 };

struct Record {
  int kind;
  int value;
};

constexpr unsigned kCloseRangeCloexec = 1u << 2;

void Report(int fd, RecordKind kind, int value) {
  const Record r{kind, value};
  while (write(fd, &r, sizeof r) < 0 && errno == EINTR) {
  }
}

// Every descriptor above the standard streams closes at exec.
void CloseOnExecFromThree() {
  if (syscall(SYS_close_range, 3u, ~0u, kCloseRangeCloexec) == 0) return;
  const long max = sysconf(_SC_OPEN_MAX);
  for (int fd = 3; fd < (max > 0 && max < 65536 ? max : 65536); ++fd) {
    const int flags = fcntl(fd, F_GETFD);
    if (flags >= 0) fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
  }
}

[[noreturn]] void RunGrandchild(int report_fd, const char* program, char* const* argv, char* const* envp,
                                const char* folder, const RunAs* run_as, const std::vector<gid_t>& groups,
                                SpawnStreams streams) {
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  for (int sig : {SIGPIPE, SIGCHLD, SIGINT, SIGTERM, SIGHUP, SIGQUIT}) signal(sig, SIG_DFL);
  // Its own session: the caller's terminal closing does not end it.
  setsid();
  if (run_as && run_as->uid != static_cast<uid_t>(-1)) {
    if (setgroups(groups.size(), groups.data()) != 0 || setgid(run_as->gid) != 0 || setuid(run_as->uid) != 0) {
      Report(report_fd, kExecErrno, errno);
      _exit(127);
    }
  }
  if (folder && chdir(folder) != 0) {
    Report(report_fd, kExecErrno, errno);
    _exit(127);
  }
  if (streams == SpawnStreams::kNull) {
    const int null_fd = open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null_fd < 0) {
      Report(report_fd, kExecErrno, errno);
      _exit(127);
    }
    for (int fd = 0; fd < 3; ++fd) dup2(null_fd, fd);
  }
  CloseOnExecFromThree();
  execve(program, argv, envp);
  Report(report_fd, kExecErrno, errno);
  _exit(127);
}

std::vector<std::string> BuildEnvironment(const std::vector<std::pair<std::string, std::string>>& extra,
                                          const RunAs* run_as) {
  std::vector<std::pair<std::string, std::string>> all = extra;
  if (run_as && run_as->uid != static_cast<uid_t>(-1)) {
    all.emplace_back("HOME", run_as->home);
    all.emplace_back("USER", run_as->user);
    all.emplace_back("LOGNAME", run_as->user);
    all.emplace_back("XDG_RUNTIME_DIR", "/run/user/" + std::to_string(run_as->uid));
  }
  std::vector<std::string> env;
  for (char** e = environ; e && *e; ++e) {
    const std::string entry(*e);
    const std::string name = entry.substr(0, entry.find('='));
    bool replaced = false;
    for (const auto& [n, v] : all) replaced = replaced || n == name;
    if (!replaced) env.push_back(entry);
  }
  for (const auto& [n, v] : all) env.push_back(n + "=" + v);
  return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> out;
  for (auto& s : strings) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

}  // namespace

ErrorCode SpawnDetached(const StartRequest& request, const std::vector<std::pair<std::string, std::string>>& extra_env,
                        const RunAs* run_as, std::int64_t* id, SpawnStreams streams) {
  if (request.program.empty()) return err::kInvalidParameter;
  std::string program = ToUtf8(request.program);
  std::vector<std::string> args{program};
  for (const auto& a : request.args) args.push_back(ToUtf8(a));
  for (const auto& a : args) {
    if (a.find('\0') != std::string::npos) return err::kInvalidParameter;
  }
  std::vector<std::string> env = BuildEnvironment(extra_env, run_as);
  const std::string folder = ToUtf8(request.folder);
  auto argv = Pointers(args);
  auto envp = Pointers(env);
  std::vector<gid_t> groups;
  if (run_as && run_as->uid != static_cast<uid_t>(-1)) {
    int n = 64;
    groups.resize(static_cast<std::size_t>(n));
    if (getgrouplist(run_as->user.c_str(), run_as->gid, groups.data(), &n) < 0) {
      groups.resize(static_cast<std::size_t>(n));
      getgrouplist(run_as->user.c_str(), run_as->gid, groups.data(), &n);
    }
    groups.resize(static_cast<std::size_t>(n));
  }

  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return CodeFromErrno(errno);
  const pid_t middle = fork();
  if (middle < 0) {
    const int e = errno;
    close(fds[0]);
    close(fds[1]);
    return CodeFromErrno(e);
  }
  if (middle == 0) {
    const pid_t child = fork();
    if (child == 0) {
      RunGrandchild(fds[1], program.c_str(), argv.data(), envp.data(), folder.empty() ? nullptr : folder.c_str(),
                    run_as, groups, streams);
    }
    Report(fds[1], child < 0 ? kForkErrno : kPid, child < 0 ? errno : child);
    _exit(0);
  }
  close(fds[1]);
  int status = 0;
  while (waitpid(middle, &status, 0) < 0 && errno == EINTR) {
  }
  pid_t started = -1;
  int failure = 0;
  Record r{};
  for (;;) {
    const ssize_t n = read(fds[0], &r, sizeof r);
    if (n < 0 && errno == EINTR) continue;
    if (n != static_cast<ssize_t>(sizeof r)) break;
    if (r.kind == kPid) started = r.value;
    if (r.kind == kExecErrno || r.kind == kForkErrno) failure = r.value;
  }
  close(fds[0]);
  if (failure) return CodeFromErrno(failure);
  if (started <= 0) return err::kNotEnoughMemory;
  if (id) *id = started;
  return err::kSuccess;
}

}  // namespace oro::platform::linux_host
