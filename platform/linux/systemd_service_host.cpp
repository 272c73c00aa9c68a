// The service's side of systemd: readiness and stopping go to the notify
// socket systemd names in NOTIFY_SOCKET (a Type=notify unit), and SIGTERM,
// systemd's way of stopping a service, is the stop control. A program started
// without NOTIFY_SOCKET was not started by the manager.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

#include "oro/platform/linux/host_adapters.h"
#include "oro/platform/linux/procfs.h"

namespace oro::platform::linux_host {
namespace {

// Written by the signal handler, which may run on any thread.
std::atomic<int> g_signal_pipe{-1};

void OnTerminate(int) {
  const int saved = errno;
  const int fd = g_signal_pipe.load();
  if (fd >= 0) {
    const char byte = 1;
    (void)!write(fd, &byte, 1);
  }
  errno = saved;
}

class SystemdServiceHost final : public ServiceHost {
 public:
  ErrorCode RunDispatcher(const std::wstring& name, const std::function<void()>& service_main) override {
    const char* socket_path = std::getenv("NOTIFY_SOCKET");
    if (!socket_path || !*socket_path || name.empty()) return err::kFailedServiceControllerConnect;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      socket_path_ = socket_path;
    }
    int fds[2];
    if (pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return CodeFromErrno(errno);
    g_signal_pipe = fds[1];
    struct sigaction action = {}, previous_term = {};
    action.sa_handler = OnTerminate;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, &previous_term);

    std::atomic<bool> done{false};
    std::thread main_thread([&] {
      service_main();
      done = true;
    });
    while (!done) {
      pollfd p{fds[0], POLLIN, 0};
      if (poll(&p, 1, 50) > 0) {
        char buf[16];
        while (read(fds[0], buf, sizeof buf) > 0) {
          std::lock_guard<std::mutex> lock(mutex_);
          pending_stop_ = true;
        }
      }
      DeliverPendingStop();
    }
    main_thread.join();
    sigaction(SIGTERM, &previous_term, nullptr);
    g_signal_pipe = -1;
    close(fds[0]);
    close(fds[1]);
    return err::kSuccess;
  }

  ErrorCode RegisterHandler(ControlHandler handler) override {
    std::lock_guard<std::mutex> lock(mutex_);
    handler_ = std::move(handler);
    return err::kSuccess;
  }

  ErrorCode ReportStatus(const ServiceStatus& status) override {
    std::string message;
    switch (status.state) {
      case svcstate::kStartPending:
        message = "STATUS=starting";
        break;
      case svcstate::kRunning:
        message = "READY=1\nSTATUS=running";
        break;
      case svcstate::kStopPending:
        message = "STOPPING=1\nSTATUS=stopping";
        break;
      case svcstate::kStopped:
        message = status.win32_exit_code ? "STATUS=stopped, error " + std::to_string(status.win32_exit_code)
                                         : "STATUS=stopped";
        break;
      default:
        message = "STATUS=state " + std::to_string(status.state);
    }
    std::lock_guard<std::mutex> lock(mutex_);
    accepted_ = status.controls_accepted;
    return Send(message);
  }

 private:
  // A SIGTERM that arrives before the service accepts stopping is kept
  // until it does, rather than lost or fatal.
  void DeliverPendingStop() {
    ControlHandler handler;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      if (!pending_stop_ || !(accepted_ & svcaccept::kStop) || !handler_) return;
      pending_stop_ = false;
      handler = handler_;
    }
    handler(svccontrol::kStop);
  }

  // One datagram to the notify socket; '@' starts an abstract name.
  ErrorCode Send(const std::string& message) {
    if (socket_path_.empty()) return err::kInvalidHandle;
    sockaddr_un addr = {};
    addr.sun_family = AF_UNIX;
    if (socket_path_.size() >= sizeof addr.sun_path) return err::kInvalidParameter;
    std::memcpy(addr.sun_path, socket_path_.data(), socket_path_.size());
    if (addr.sun_path[0] == '@') addr.sun_path[0] = '\0';
    const socklen_t len = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + socket_path_.size());
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return CodeFromErrno(errno);
    const ssize_t n = sendto(fd, message.data(), message.size(), MSG_NOSIGNAL, reinterpret_cast<sockaddr*>(&addr), len);
    const int e = errno;
    close(fd);
    return n == static_cast<ssize_t>(message.size()) ? err::kSuccess : CodeFromErrno(e);
  }

  std::mutex mutex_;
  std::string socket_path_;
  ControlHandler handler_;
  std::uint32_t accepted_ = 0;
  bool pending_stop_ = false;
};

}  // namespace

std::unique_ptr<ServiceHost> MakeSystemdServiceHost() { return std::make_unique<SystemdServiceHost>(); }

}  // namespace oro::platform::linux_host
