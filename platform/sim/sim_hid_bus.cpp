// Client side of the simulated HID bus: enumeration reads the descriptor
// files, a connection is one SOCK_SEQPACKET socket to the collection.
#include <dirent.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "oro/platform/linux/fd_wait.h"
#include "oro/platform/sim/sim_hid_bus.h"

namespace oro::platform::sim {
namespace {

using linux_host::WaitForReport;

constexpr std::size_t kMaxDescriptor = 4096;
constexpr std::size_t kMaxReport = 4096;
const std::string kSockSuffix = ".sock";
const std::string kDescSuffix = ".desc";

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// A descriptor file whole; false when it is missing, unreadable or too big.
bool ReadSmallFile(const std::string& path, std::string* out) {
  return linux_host::ReadFileHead(path, kMaxDescriptor + 1, out) && out->size() <= kMaxDescriptor;
}

bool LoadDescriptor(const std::string& sock_path, HidInterfaceInfo* info) {
  std::string text;
  const std::string desc = sock_path.substr(0, sock_path.size() - kSockSuffix.size()) + kDescSuffix;
  if (!ReadSmallFile(desc, &text)) return false;
  info->path = sock_path;
  return ParseHidDescriptor(text, info);
}

ErrorCode FromErrno(int e) {
  switch (e) {
    case ENOENT:
    case ENOTDIR:
      return err::kFileNotFound;
    case EACCES:
    case EPERM:
      return err::kAccessDenied;
    case ECONNREFUSED:
    case ECONNRESET:
    case EPIPE:
    case ENOTCONN:
      return err::kDeviceNotConnected;
    case ENOMEM:
    case ENOBUFS:
      return err::kNotEnoughMemory;
    default:
      return err::kGenFailure;
  }
}

class SimHidConnection final : public HidConnection {
 public:
  SimHidConnection(int fd, HidInterfaceInfo info) : fd_(fd), info_(std::move(info)) {}
  ~SimHidConnection() override { close(fd_); }

  const HidInterfaceInfo& Info() const override { return info_; }

  ErrorCode Write(const std::uint8_t* report, std::size_t size, int timeout_ms) override {
    if (gone_) return err::kDeviceNotConnected;
    if (!report || size == 0 || size > info_.output_report_length) return err::kInvalidParameter;
    std::vector<std::uint8_t> packet(report, report + size);
    packet.resize(info_.output_report_length, 0);
    if (ErrorCode rc = WaitForReport(fd_, POLLOUT, timeout_ms, &gone_)) return rc;
    for (;;) {
      const ssize_t n = send(fd_, packet.data(), packet.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
      if (n == static_cast<ssize_t>(packet.size())) return err::kSuccess;
      if (n < 0 && errno == EINTR) continue;
      // The socket said it had room; a full buffer now means another writer
      // took it, which the caller sees as a device that did not keep up.
      if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return err::kTimeout;
      const ErrorCode code = n < 0 ? FromErrno(errno) : err::kGenFailure;
      if (code == err::kDeviceNotConnected) gone_ = true;
      return code;
    }
  }

  ErrorCode Read(std::uint8_t* buf, std::size_t capacity, int timeout_ms, std::size_t* received) override {
    if (received) *received = 0;
    if (!buf || !received) return err::kInvalidParameter;
    if (gone_) return err::kDeviceNotConnected;
    if (ErrorCode rc = WaitForReport(fd_, POLLIN, timeout_ms, &gone_)) return rc;
    std::uint8_t packet[kMaxReport];
    ssize_t n;
    do {
      n = recv(fd_, packet, sizeof packet, MSG_DONTWAIT);
    } while (n < 0 && errno == EINTR);
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return err::kTimeout;
    if (n <= 0) {
      gone_ = true;
      return n == 0 ? err::kDeviceNotConnected : FromErrno(errno);
    }
    const std::size_t copy = std::min(static_cast<std::size_t>(n), capacity);
    std::memcpy(buf, packet, copy);
    *received = copy;
    return err::kSuccess;
  }

  void Flush() override {
    std::uint8_t packet[kMaxReport];
    while (recv(fd_, packet, sizeof packet, MSG_DONTWAIT) > 0) {
    }
  }

 private:
  int fd_;
  HidInterfaceInfo info_;
  bool gone_ = false;
};

class SimHidBus final : public HidBus {
 public:
  explicit SimHidBus(std::string dir) : dir_(std::move(dir)) {}

  ErrorCode Enumerate(std::vector<HidInterfaceInfo>* out) override {
    if (!out) return err::kInvalidParameter;
    out->clear();
    DIR* d = opendir(dir_.c_str());
    if (!d) return errno == ENOENT ? err::kSuccess : FromErrno(errno);  // no bus yet: nothing present
    std::vector<std::string> socks;
    while (dirent* e = readdir(d)) {
      const std::string name = e->d_name;
      if (EndsWith(name, kSockSuffix)) socks.push_back(dir_ + "/" + name);
    }
    closedir(d);
    std::sort(socks.begin(), socks.end());
    for (const auto& s : socks) {
      HidInterfaceInfo info;
      // A collection being published or removed has one of its two files
      // only; it is not present yet, or no longer.
      if (LoadDescriptor(s, &info)) out->push_back(std::move(info));
    }
    return err::kSuccess;
  }

  ErrorCode Open(const std::string& path, std::unique_ptr<HidConnection>* out) override {
    if (!out) return err::kInvalidParameter;
    out->reset();
    HidInterfaceInfo info;
    if (!EndsWith(path, kSockSuffix) || path.compare(0, dir_.size() + 1, dir_ + "/") != 0 ||
        !LoadDescriptor(path, &info)) {
      return err::kFileNotFound;
    }
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) return err::kFileNotFound;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0);
    if (fd < 0) return FromErrno(errno);
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
      const ErrorCode code = FromErrno(errno);
      close(fd);
      // A socket file nobody listens on any more is a device that went away.
      return code == err::kFileNotFound ? err::kFileNotFound : code;
    }
    *out = std::make_unique<SimHidConnection>(fd, std::move(info));
    return err::kSuccess;
  }

 private:
  std::string dir_;
};

}  // namespace

std::unique_ptr<HidBus> MakeSimHidBus(const std::string& bus_dir) { return std::make_unique<SimHidBus>(bus_dir); }

}  // namespace oro::platform::sim
