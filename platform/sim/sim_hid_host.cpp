// One poll loop serves the whole simulated bus: listening sockets of the
// published collections, their connections, the control socket, timers, and a
// wake-up descriptor for commands that come from other threads.
#include "oro/platform/sim/sim_hid_host.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <future>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>

#include "oro/platform/deadline.h"
#include "oro/platform/linux/fd_wait.h"
#include "oro/platform/sim/sim_hid_bus.h"

namespace oro::platform::sim {
namespace {

using Clock = std::chrono::steady_clock;
constexpr int kFolderCheckMs = 300;
constexpr std::size_t kMaxPacket = 4096;

bool MakeAddress(const std::string& path, sockaddr_un* addr) {
  std::memset(addr, 0, sizeof *addr);
  addr->sun_family = AF_UNIX;
  if (path.size() >= sizeof addr->sun_path) return false;
  std::memcpy(addr->sun_path, path.c_str(), path.size() + 1);
  return true;
}

int ListenAt(const std::string& path) {
  sockaddr_un addr;
  if (!MakeAddress(path, &addr)) {
    errno = ENAMETOOLONG;
    return -1;
  }
  unlink(path.c_str());
  const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
  if (fd < 0) return -1;
  if (bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || chmod(path.c_str(), 0600) != 0 ||
      listen(fd, 64) != 0) {
    const int e = errno;
    close(fd);
    unlink(path.c_str());
    errno = e;
    return -1;
  }
  return fd;
}

bool WriteFileAtomically(const std::string& path, const std::string& text) {
  const std::string tmp = path + ".tmp";
  const int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  bool ok = fchmod(fd, 0600) == 0 && write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
  ok = close(fd) == 0 && ok;
  if (ok && rename(tmp.c_str(), path.c_str()) == 0) return true;
  unlink(tmp.c_str());
  return false;
}

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  std::string w;
  while (in >> w) words.push_back(w);
  return words;
}

ErrorCode ErrnoCode(int e) {
  if (e == ENOENT) return err::kFileNotFound;
  if (e == EACCES || e == EPERM) return err::kAccessDenied;
  if (e == ECONNREFUSED || e == ECONNRESET || e == EPIPE) return err::kDeviceNotConnected;
  return err::kGenFailure;
}

}  // namespace

struct SimHidHost::Impl {
  struct Device;

  class Port final : public SimHidPort {
   public:
    Port(Impl* host, Device* device) : host_(host), device_(device) {}
    void Send(std::size_t collection, HidReport report, int delay_ms) override;
    void After(int delay_ms, std::function<void()> fn) override;
    void SetPlugged(bool plugged) override;
    bool Plugged() const override;

   private:
    Impl* host_;
    Device* device_;
  };

  struct Collection {
    HidInterfaceInfo info;
    std::string stem;
    int listen_fd = -1;
    std::vector<int> connections;
  };

  struct Device {
    std::shared_ptr<SimHidDevice> behaviour;
    std::unique_ptr<Port> port;
    std::vector<Collection> collections;
    bool plugged = true;
    std::uint64_t generation = 0;  // timers of an earlier plug-in do not fire after an unplug
  };

  struct Timer {
    Device* device;  // null for the host's own timers
    std::uint64_t generation;
    std::function<void()> fn;
  };

  struct Request {
    std::string line;
    std::promise<std::string> reply;
  };

  explicit Impl(std::string dir) : bus_dir(std::move(dir)) {}

  std::string bus_dir;
  std::vector<std::unique_ptr<Device>> devices;
  std::multimap<Clock::time_point, Timer> timers;
  int wake_fd = -1;
  int control_fd = -1;
  int lock_fd = -1;
  bool stopping = false;
  std::mutex mutex;
  std::vector<std::unique_ptr<Request>> requests;
  std::thread thread;
  bool running = false;

  void AddTimer(Device* d, int delay_ms, std::function<void()> fn) {
    timers.emplace(Clock::now() + std::chrono::milliseconds(delay_ms < 0 ? 0 : delay_ms),
                   Timer{d, d ? d->generation : 0, std::move(fn)});
  }

  void Deliver(Device* d, std::size_t index, const HidReport& report) {
    if (!d->plugged || index >= d->collections.size()) return;
    auto& conns = d->collections[index].connections;
    for (std::size_t i = 0; i < conns.size();) {
      const ssize_t n = send(conns[i], report.data(), report.size(), MSG_DONTWAIT | MSG_NOSIGNAL);
      // A reader that does not keep up loses reports, as a driver's input
      // queue drops them; one that went away is forgotten.
      if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
        close(conns[i]);
        conns.erase(conns.begin() + static_cast<std::ptrdiff_t>(i));
        continue;
      }
      ++i;
    }
  }

  ErrorCode Publish(Device* d) {
    for (auto& c : d->collections) {
      const std::string sock = bus_dir + "/" + c.stem + ".sock";
      c.listen_fd = ListenAt(sock);
      if (c.listen_fd < 0) return ErrnoCode(errno);
      HidInterfaceInfo info = c.info;
      if (!WriteFileAtomically(bus_dir + "/" + c.stem + ".desc", FormatHidDescriptor(info))) {
        return ErrnoCode(errno);
      }
    }
    d->plugged = true;
    return err::kSuccess;
  }

  void Withdraw(Device* d) {
    for (auto& c : d->collections) {
      // The descriptor goes first so an enumeration never lists a collection
      // whose socket is already gone.
      unlink((bus_dir + "/" + c.stem + ".desc").c_str());
      unlink((bus_dir + "/" + c.stem + ".sock").c_str());
      if (c.listen_fd >= 0) close(c.listen_fd);
      c.listen_fd = -1;
      for (int fd : c.connections) close(fd);
      c.connections.clear();
    }
    d->plugged = false;
    ++d->generation;
  }

  Device* Find(const std::string& name) {
    for (auto& d : devices) {
      if (d->behaviour->Name() == name) return d.get();
    }
    return nullptr;
  }

  std::string Command(const std::string& line) {
    const auto words = Words(line);
    if (words.empty()) return "error: empty command";
    if (words[0] == "stop") {
      stopping = true;
      return "ok";
    }
    if (words[0] == "list") {
      std::string out;
      for (auto& d : devices) out += d->behaviour->Name() + (d->plugged ? " plugged\n" : " unplugged\n");
      return out;
    }
    Device* d = Find(words[0]);
    if (!d) return "error: no simulated device '" + words[0] + "'";
    if (words.size() == 2 && words[1] == "plug") {
      if (d->plugged) return "ok";
      const ErrorCode rc = Publish(d);
      if (rc != err::kSuccess) {
        Withdraw(d);
        return "error: cannot publish the device (code " + std::to_string(rc) + ")";
      }
      return "ok";
    }
    if (words.size() == 2 && words[1] == "unplug") {
      if (d->plugged) Withdraw(d);
      return "ok";
    }
    return d->behaviour->Control(std::vector<std::string>(words.begin() + 1, words.end()));
  }

  void RunRequests() {
    std::vector<std::unique_ptr<Request>> batch;
    {
      std::lock_guard<std::mutex> lock(mutex);
      batch.swap(requests);
    }
    for (auto& r : batch) r->reply.set_value(Command(r->line));
  }

  void Accept(int listen_fd, std::vector<int>* into) {
    for (;;) {
      const int fd = accept4(listen_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
      if (fd < 0) return;
      into->push_back(fd);
    }
  }

  void ServeControl(std::vector<int>* conns) {
    for (std::size_t i = 0; i < conns->size();) {
      char buf[kMaxPacket];
      const ssize_t n = recv((*conns)[i], buf, sizeof buf, MSG_DONTWAIT);
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
        ++i;
        continue;
      }
      if (n > 0) {
        const std::string reply = Command(std::string(buf, static_cast<std::size_t>(n)));
        send((*conns)[i], reply.data(), reply.size(), MSG_NOSIGNAL);
      }
      close((*conns)[i]);
      conns->erase(conns->begin() + static_cast<std::ptrdiff_t>(i));
    }
  }

  void ServeReports(Device* d, std::size_t index) {
    auto& conns = d->collections[index].connections;
    for (std::size_t i = 0; i < conns.size() && d->plugged;) {
      HidReport packet(kMaxPacket);
      const ssize_t n = recv(conns[i], packet.data(), packet.size(), MSG_DONTWAIT);
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
        ++i;
        continue;
      }
      if (n <= 0) {
        close(conns[i]);
        conns.erase(conns.begin() + static_cast<std::ptrdiff_t>(i));
        continue;
      }
      packet.resize(static_cast<std::size_t>(n));
      d->behaviour->OnOutput(index, packet);
      // The device may have unplugged itself; the connection list is gone then.
      if (!d->plugged) return;
      ++i;
    }
  }

  bool FolderGone() {
    struct stat st;
    return stat(bus_dir.c_str(), &st) != 0;
  }

  void HostTimer() {
    if (FolderGone()) {
      stopping = true;
      return;
    }
    AddTimer(nullptr, kFolderCheckMs, [this] { HostTimer(); });
  }

  ErrorCode Open() {
    // The state folder may not exist yet on a fresh machine.
    for (std::size_t slash = bus_dir.find('/', 1); slash != std::string::npos; slash = bus_dir.find('/', slash + 1)) {
      mkdir(bus_dir.substr(0, slash).c_str(), 0700);
    }
    if (mkdir(bus_dir.c_str(), 0700) != 0 && errno != EEXIST) return ErrnoCode(errno);
    lock_fd = open((bus_dir + "/host.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lock_fd < 0) return ErrnoCode(errno);
    if (flock(lock_fd, LOCK_EX | LOCK_NB) != 0) {
      close(lock_fd);
      lock_fd = -1;
      return err::kAlreadyExists;
    }
    wake_fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    control_fd = ListenAt(SimHidControlPath(bus_dir));
    if (wake_fd < 0 || control_fd < 0) return ErrnoCode(errno);
    for (auto& d : devices) {
      if (!d->plugged) continue;
      const ErrorCode rc = Publish(d.get());
      if (rc != err::kSuccess) return rc;
    }
    AddTimer(nullptr, kFolderCheckMs, [this] { HostTimer(); });
    return err::kSuccess;
  }

  void Close() {
    for (auto& d : devices) {
      if (d->plugged) {
        Withdraw(d.get());
        d->plugged = true;  // a host started again publishes it again
      }
    }
    if (control_fd >= 0) {
      close(control_fd);
      unlink(SimHidControlPath(bus_dir).c_str());
    }
    {
      // Requests that came after the loop's last pass are answered, and no
      // caller writes to the wake-up descriptor once it is closed.
      std::lock_guard<std::mutex> lock(mutex);
      for (auto& r : requests) r->reply.set_value("error: the simulated bus stopped");
      requests.clear();
      if (wake_fd >= 0) close(wake_fd);
      wake_fd = -1;
    }
    if (lock_fd >= 0) close(lock_fd);
    control_fd = lock_fd = -1;
    timers.clear();
  }

  void Loop() {
    std::vector<int> control_conns;
    while (!stopping) {
      // Due timers first, then wait until the next one.
      const auto now = Clock::now();
      while (!timers.empty() && timers.begin()->first <= now && !stopping) {
        Timer t = std::move(timers.begin()->second);
        timers.erase(timers.begin());
        if (!t.device || (t.device->plugged && t.device->generation == t.generation)) t.fn();
      }
      if (stopping) break;
      int timeout = -1;
      if (!timers.empty()) timeout = MillisLeft(timers.begin()->first) + 1;

      struct Slot {
        Device* device;
        std::size_t collection;
        int kind;  // 0 listen, 1 connection
      };
      std::vector<pollfd> fds;
      std::vector<Slot> slots;
      fds.push_back({wake_fd, POLLIN, 0});
      fds.push_back({control_fd, POLLIN, 0});
      for (int fd : control_conns) fds.push_back({fd, POLLIN, 0});
      const std::size_t first_device_slot = fds.size();
      for (auto& d : devices) {
        if (!d->plugged) continue;
        for (std::size_t i = 0; i < d->collections.size(); ++i) {
          fds.push_back({d->collections[i].listen_fd, POLLIN, 0});
          slots.push_back({d.get(), i, 0});
          for (int fd : d->collections[i].connections) {
            fds.push_back({fd, POLLIN, 0});
            slots.push_back({d.get(), i, 1});
          }
        }
      }
      const int n = poll(fds.data(), fds.size(), timeout);
      if (n < 0 && errno != EINTR) break;
      if (n <= 0) continue;
      // New connections are taken before any command runs, so a reader that
      // connected before a report was sent receives it.
      for (std::size_t i = 0; i < slots.size(); ++i) {
        if (slots[i].kind == 0 && fds[first_device_slot + i].revents) {
          Accept(fds[first_device_slot + i].fd, &slots[i].device->collections[slots[i].collection].connections);
        }
      }
      // Each collection's connections are served once per pass, whichever of
      // them woke the loop, and before commands: a report sent before a
      // command was given has reached its device when the command runs.
      for (std::size_t i = 0; i < slots.size(); ++i) {
        if (slots[i].kind == 0 && slots[i].device->plugged) ServeReports(slots[i].device, slots[i].collection);
      }
      if (fds[0].revents) {
        std::uint64_t count;
        while (read(wake_fd, &count, sizeof count) > 0) {
        }
        RunRequests();
      }
      if (fds[1].revents) Accept(control_fd, &control_conns);
      ServeControl(&control_conns);
    }
    for (int fd : control_conns) close(fd);
    // Requests that arrive while stopping are answered rather than left waiting.
    std::lock_guard<std::mutex> lock(mutex);
    for (auto& r : requests) r->reply.set_value("error: the simulated bus stopped");
    requests.clear();
  }
};

void SimHidHost::Impl::Port::Send(std::size_t collection, HidReport report, int delay_ms) {
  if (delay_ms <= 0) {
    host_->Deliver(device_, collection, report);
    return;
  }
  Device* d = device_;
  Impl* h = host_;
  host_->AddTimer(device_, delay_ms, [h, d, collection, r = std::move(report)] { h->Deliver(d, collection, r); });
}

void SimHidHost::Impl::Port::After(int delay_ms, std::function<void()> fn) {
  host_->AddTimer(device_, delay_ms, std::move(fn));
}

void SimHidHost::Impl::Port::SetPlugged(bool plugged) {
  if (plugged == device_->plugged) return;
  if (plugged) {
    if (host_->Publish(device_) != err::kSuccess) host_->Withdraw(device_);
  } else {
    host_->Withdraw(device_);
  }
}

bool SimHidHost::Impl::Port::Plugged() const { return device_->plugged; }

SimHidHost::SimHidHost(std::string bus_dir) : impl_(std::make_unique<Impl>(std::move(bus_dir))) {}

SimHidHost::~SimHidHost() { Stop(); }

void SimHidHost::AddDevice(std::shared_ptr<SimHidDevice> device) {
  auto d = std::make_unique<Impl::Device>();
  d->behaviour = std::move(device);
  d->port = std::make_unique<Impl::Port>(impl_.get(), d.get());
  for (const auto& info : d->behaviour->Collections()) {
    Impl::Collection c;
    c.info = info;
    c.stem = d->behaviour->Name() + "-" + std::to_string(info.interface_number < 0 ? 0 : info.interface_number) + "-" +
             std::to_string(info.collection);
    d->collections.push_back(std::move(c));
  }
  d->behaviour->Attach(d->port.get());
  impl_->devices.push_back(std::move(d));
}

ErrorCode SimHidHost::Start() {
  if (impl_->running) return err::kAlreadyExists;
  const ErrorCode rc = impl_->Open();
  if (rc != err::kSuccess) {
    impl_->Close();
    return rc;
  }
  impl_->stopping = false;
  {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    impl_->running = true;
  }
  impl_->thread = std::thread([this] {
    impl_->Loop();
    impl_->Close();
  });
  return err::kSuccess;
}

ErrorCode SimHidHost::Run() {
  const ErrorCode rc = impl_->Open();
  if (rc == err::kSuccess) {
    impl_->stopping = false;
    impl_->Loop();
  }
  impl_->Close();
  return rc;
}

void SimHidHost::Stop() {
  {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    if (!impl_->running) return;
  }
  Control("stop");
  if (impl_->thread.joinable()) impl_->thread.join();
  std::lock_guard<std::mutex> lock(impl_->mutex);
  impl_->running = false;
}

std::string SimHidHost::Control(const std::string& line) {
  auto request = std::make_unique<Impl::Request>();
  request->line = line;
  auto reply = request->reply.get_future();
  {
    std::lock_guard<std::mutex> lock(impl_->mutex);
    if (!impl_->running || impl_->wake_fd < 0) return "error: the simulated bus is not running";
    impl_->requests.push_back(std::move(request));
    const std::uint64_t one = 1;
    if (write(impl_->wake_fd, &one, sizeof one) < 0) {
      // The counter is full only when the loop already has a wake-up pending.
    }
  }
  return reply.get();
}

std::string SimHidControlPath(const std::string& bus_dir) { return bus_dir + "/control"; }

ErrorCode SendSimHidControl(const std::string& bus_dir, const std::string& line, int timeout_ms, std::string* reply) {
  if (reply) reply->clear();
  sockaddr_un addr;
  if (!MakeAddress(SimHidControlPath(bus_dir), &addr)) return err::kFileNotFound;
  const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
  if (fd < 0) return err::kGenFailure;
  ErrorCode rc = err::kSuccess;
  if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
    rc = ErrnoCode(errno);
  } else if (send(fd, line.data(), line.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(line.size())) {
    rc = err::kDeviceNotConnected;
  } else if (linux_host::WaitFd(fd, POLLIN, timeout_ms) != linux_host::FdReady::kReady) {
    rc = err::kTimeout;
  } else {
    char buf[kMaxPacket];
    const ssize_t n = recv(fd, buf, sizeof buf, 0);
    if (n < 0) rc = err::kDeviceNotConnected;
    if (n > 0 && reply) reply->assign(buf, static_cast<std::size_t>(n));
  }
  close(fd);
  return rc;
}

}  // namespace oro::platform::sim
