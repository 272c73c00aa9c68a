// Another process of the test program, for behaviour that needs a second
// holder or a holder that dies: InChild(root, step) runs step(root) there and
// returns what it returned, or -1 when the step did not run to its end.
//
// POSIX forks. Windows cannot, so the program starts again on the current
// test alone and is told which InChild call of it to serve: the test body
// runs from the start on a TempRoot of its own (so whatever it does there
// meets nothing of the parent's) until that call, which runs the step on the
// parent's root and ends the process with the step's result. Earlier calls in
// such a child return 0 without starting anything. A step must therefore
// depend only on the root it is handed, never on state of the parent's test.
#pragma once

#include <cstdio>
#include <string>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "temp_root.h"

namespace oro::test {

namespace detail {
// A step's result is reported as kChildRan + result (results 0 to 63), so an
// exit of the program that never reached the step cannot pass for one.
constexpr int kChildRan = 64;
// Number of this InChild call within the running test (1, 2, ...).
int NextChildCall();
// The call this process serves as a child, 0 in the parent; with its root.
int ServedChildCall(std::string* parent_root);
// Runs this program again on the current test to serve `call`; its exit code.
int RunChildProgram(int call, const std::string& root);
[[noreturn]] void EndProcess(int code);
}  // namespace detail

// Ends a child at once, without destructors or exit handlers: a holder that crashed.
[[noreturn]] inline void EndChildNow(int result) {
  std::fflush(nullptr);
#ifdef _WIN32
  detail::EndProcess(detail::kChildRan + result);
#else
  _exit(result);
#endif
}

template <typename Step>
int InChild(const TempRoot& root, Step step) {
#ifdef _WIN32
  const int call = detail::NextChildCall();
  std::string parent_root;
  if (const int served = detail::ServedChildCall(&parent_root)) {
    if (call != served) return 0;
    const TempRoot borrowed(parent_root, TempRoot::kBorrowed);
    EndChildNow(step(borrowed));
  }
  const int rc = detail::RunChildProgram(call, root.Path());
  return rc >= detail::kChildRan && rc < 2 * detail::kChildRan ? rc - detail::kChildRan : -1;
#else
  std::fflush(nullptr);
  const pid_t pid = fork();
  if (pid == 0) _exit(step(root));
  if (pid < 0) return -1;
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

}  // namespace oro::test
