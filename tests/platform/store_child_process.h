// Runs a piece of a test in a forked child process (optionally as the
// unprivileged user 65534) and hands back the text it reported.
#pragma once

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace oro::test {

constexpr int kChildSkipped = 77;

struct ChildResult {
  int status = -1;  // exit code, or -1 when it died by a signal
  std::string output;
};

// The child never returns into the test framework: it reports through a pipe
// and leaves with _exit, so it neither runs the parent's destructors nor
// touches the parent's open database connections.
inline ChildResult RunInChild(const std::function<std::string()>& body, bool as_nobody = false) {
  ChildResult result;
  int fds[2];
  if (pipe(fds) != 0) return result;
  const pid_t pid = fork();
  if (pid < 0) return result;
  if (pid == 0) {
    close(fds[0]);
    if (as_nobody && geteuid() == 0) {
      if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(kChildSkipped);
    }
    const std::string out = body();
    std::size_t done = 0;
    while (done < out.size()) {
      const ssize_t n = write(fds[1], out.data() + done, out.size() - done);
      if (n <= 0) break;
      done += static_cast<std::size_t>(n);
    }
    _exit(0);
  }
  close(fds[1]);
  char buf[4096];
  ssize_t n;
  while ((n = read(fds[0], buf, sizeof buf)) > 0) result.output.append(buf, static_cast<std::size_t>(n));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

}  // namespace oro::test
