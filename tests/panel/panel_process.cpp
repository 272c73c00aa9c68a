#include "panel_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>
#include <thread>

#include "temp_root.h"

extern char** environ;

namespace oro::test {

PanelProcess::PanelProcess(const std::string& oro_root, const std::vector<std::string>& extra_env) {
  int out[2], err[2];
  if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    if (entry.rfind("ORO_", 0) == 0 || entry.rfind("QT_QPA_PLATFORM=", 0) == 0) continue;
    env.push_back(entry);
  }
  env.push_back("ORO_PLATFORM=sim");
  env.push_back("ORO_ROOT=" + oro_root);
  env.push_back("QT_QPA_PLATFORM=offscreen");
  env.push_back("ORO_PANEL_FIRST_FRAME=1");
  for (const std::string& e : extra_env) env.push_back(e);
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::string program = BuiltFile("oro_panel");
  char* argv[] = {program.data(), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  const int rc = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  close(err[1]);
  out_fd_ = out[0];
  err_fd_ = err[0];
  if (rc != 0) throw std::runtime_error("cannot start " + program + ": " + std::strerror(rc));
  fcntl(out_fd_, F_SETFL, O_NONBLOCK);
  fcntl(err_fd_, F_SETFL, O_NONBLOCK);
}

PanelProcess::~PanelProcess() {
  if (Running()) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  close(out_fd_);
  close(err_fd_);
}

void PanelProcess::Drain(int fd, std::string& into) {
  char buf[4096];
  ssize_t n;
  while ((n = read(fd, buf, sizeof buf)) > 0) into.append(buf, static_cast<std::size_t>(n));
}

bool PanelProcess::Running() {
  if (status_ != -1000) return false;
  int status = 0;
  if (waitpid(pid_, &status, WNOHANG) == pid_) {
    status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return false;
  }
  return true;
}

bool PanelProcess::WaitForFirstFrame(std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (std::chrono::steady_clock::now() < end) {
    pollfd p{out_fd_, POLLIN, 0};
    poll(&p, 1, 20);
    Drain(out_fd_, out_);
    if (out_.find("first frame\n") != std::string::npos) return true;
    if (!Running()) return false;
  }
  return false;
}

int PanelProcess::WaitForExit(std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (Running() && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(5));
  Drain(err_fd_, err_);
  return status_;
}

const std::string& PanelProcess::ErrorText() {
  Drain(err_fd_, err_);
  return err_;
}

const std::string& PanelProcess::OutputText() {
  Drain(out_fd_, out_);
  return out_;
}

}  // namespace oro::test
