// The real oro_panel as a child process on a simulated machine: started
// offscreen with its first-frame report, watched, and ended.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace oro::test {

class PanelProcess {
 public:
  // Starts build/bin/oro_panel with ORO_PLATFORM=sim, the given ORO_ROOT and
  // extra environment entries ("NAME=value").
  PanelProcess(const std::string& oro_root, const std::vector<std::string>& extra_env = {});
  ~PanelProcess();
  PanelProcess(const PanelProcess&) = delete;
  PanelProcess& operator=(const PanelProcess&) = delete;

  // True once the window reported its first frame within the time given.
  bool WaitForFirstFrame(std::chrono::milliseconds limit);
  // The exit status once the process ended within the time given, else -1000.
  int WaitForExit(std::chrono::milliseconds limit);
  bool Running();
  // Everything the process wrote to standard error so far (after it ended: all).
  const std::string& ErrorText();
  // The same for standard output.
  const std::string& OutputText();
  pid_t Pid() const { return pid_; }

 private:
  void Drain(int fd, std::string& into);

  pid_t pid_ = -1;
  int out_fd_ = -1;
  int err_fd_ = -1;
  int status_ = -1000;
  std::string out_;
  std::string err_;
};

}  // namespace oro::test
