#include "hid_host_process.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "oro/platform/sim/sim_hid_host.h"

namespace oro::tools::sim {
namespace {

namespace err = platform::err;
constexpr int kAnswerMs = 2000;
constexpr int kStartMs = 5000;

bool Answers(const std::string& bus_dir) {
  std::string reply;
  return platform::sim::SendSimHidControl(bus_dir, "list", 500, &reply) == err::kSuccess;
}

}  // namespace

platform::ErrorCode StopHidHost(const std::string& bus_dir) {
  std::string reply;
  const auto rc = platform::sim::SendSimHidControl(bus_dir, "stop", kAnswerMs, &reply);
  if (rc == err::kFileNotFound || rc == err::kDeviceNotConnected) return err::kSuccess;
  if (rc != err::kSuccess) return rc;
  // The host releases its lock as it exits; wait for that so a new one can take it.
  for (int i = 0; i < 200 && Answers(bus_dir); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  return err::kSuccess;
}

platform::ErrorCode StartHidHost(const std::string& bus_dir, std::string* message) {
  if (const auto rc = StopHidHost(bus_dir)) {
    *message = "the running simulated HID bus does not stop";
    return rc;
  }
  char self[4096];
  const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
  if (n <= 0) {
    *message = "cannot find oro-sim's own program file";
    return err::kFileNotFound;
  }
  self[n] = '\0';
  const pid_t child = fork();
  if (child < 0) {
    *message = std::string("cannot start the simulated HID bus: ") + std::strerror(errno);
    return err::kNotEnoughMemory;
  }
  if (child == 0) {
    // A session of its own and no inherited descriptors, so the caller's
    // terminal and pipes (a test reading our output) never wait on the host.
    setsid();
    if (fork() != 0) _exit(0);
    const int null_fd = open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null_fd >= 0) {
      dup2(null_fd, 0);
      dup2(null_fd, 1);
      dup2(null_fd, 2);
    }
    for (int fd = 3; fd < 1024; ++fd) close(fd);
    execl(self, self, "hid", "serve", static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  for (int waited = 0; waited < kStartMs; waited += 20) {
    if (Answers(bus_dir)) return err::kSuccess;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  *message = "the simulated HID bus did not come up in " + bus_dir;
  return err::kTimeout;
}

}  // namespace oro::tools::sim
