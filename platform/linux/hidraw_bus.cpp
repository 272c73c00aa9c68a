// HID bus over hidraw: interfaces from sysfs, collections and report IDs from
// the report descriptor, one entry per top-level collection. A collection's
// path is the node with "#colNN" added when its interface has several, and a
// connection reads only the input reports of its own collection, as the class
// driver delivers them.
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "oro/platform/deadline.h"
#include "oro/platform/linux/fd_wait.h"
#include "oro/platform/linux/hid_report_descriptor.h"
#include "oro/platform/linux/host_adapters.h"
#include "oro/platform/text.h"

namespace oro::platform::linux_host {
namespace {

constexpr const char* kSysClass = "/sys/class/hidraw";
constexpr std::size_t kMaxSysfsFile = 8192;
constexpr std::size_t kMaxReport = 4096;
constexpr unsigned kBusUsb = 0x03;

// Sysfs attributes are short; an empty one says nothing.
bool ReadSysfs(const std::string& path, std::string* out) {
  return ReadFileHead(path, kMaxSysfsFile, out) && !out->empty();
}

std::string Trim(std::string s) {
  while (!s.empty() && (s.back() == '\n' || s.back() == ' ')) s.pop_back();
  std::size_t b = 0;
  while (b < s.size() && s[b] == ' ') ++b;
  return s.substr(b);
}

std::string UeventField(const std::string& uevent, const std::string& key) {
  const std::string tag = key + "=";
  std::size_t pos = 0;
  while (pos < uevent.size()) {
    const std::size_t end = std::min(uevent.find('\n', pos), uevent.size());
    if (uevent.compare(pos, tag.size(), tag) == 0) return uevent.substr(pos + tag.size(), end - pos - tag.size());
    pos = end + 1;
  }
  return {};
}

std::string Parent(const std::string& path) {
  const auto slash = path.rfind('/');
  return slash == std::string::npos || slash == 0 ? std::string("/") : path.substr(0, slash);
}

ErrorCode FromErrno(int e) {
  switch (e) {
    case ENOENT:
    case ENXIO:
      return err::kFileNotFound;
    case EACCES:
    case EPERM:
      return err::kAccessDenied;
    case ENODEV:
    case EIO:
    case EPIPE:
    case ESHUTDOWN:
      return err::kDeviceNotConnected;
    default:
      return err::kGenFailure;
  }
}

struct NodeCollections {
  std::vector<HidInterfaceInfo> infos;
  std::vector<std::vector<std::uint8_t>> input_ids;
  bool numbered = false;
};

// Every top-level collection of one hidraw node ("hidraw3").
bool DescribeNode(const std::string& node, NodeCollections* out) {
  const std::string sys = std::string(kSysClass) + "/" + node + "/device";
  std::string uevent, descriptor;
  if (!ReadSysfs(sys + "/uevent", &uevent) || !ReadSysfs(sys + "/report_descriptor", &descriptor)) return false;
  unsigned bus = 0, vendor = 0, product = 0;
  if (std::sscanf(UeventField(uevent, "HID_ID").c_str(), "%x:%x:%x", &bus, &vendor, &product) != 3) return false;
  std::vector<HidTopCollection> tops;
  if (!ParseReportDescriptor(reinterpret_cast<const std::uint8_t*>(descriptor.data()), descriptor.size(), &tops) ||
      tops.empty()) {
    return false;
  }
  HidInterfaceInfo base;
  base.vendor_id = static_cast<std::uint16_t>(vendor);
  base.product_id = static_cast<std::uint16_t>(product);
  base.product = FromUtf8(UeventField(uevent, "HID_NAME"));
  base.serial_number = FromUtf8(UeventField(uevent, "HID_UNIQ"));
  if (bus == kBusUsb) {
    char real[PATH_MAX];
    if (realpath(sys.c_str(), real)) {
      const std::string usb_interface = Parent(real), usb_device = Parent(usb_interface);
      std::string text;
      long interfaces = 0;
      if (ReadSysfs(usb_device + "/bNumInterfaces", &text)) interfaces = std::strtol(Trim(text).c_str(), nullptr, 10);
      // Only a composite device shows its interface number, as on the
      // system the kit's matching rules come from.
      if (interfaces > 1 && ReadSysfs(usb_interface + "/bInterfaceNumber", &text)) {
        base.interface_number = static_cast<int>(std::strtol(Trim(text).c_str(), nullptr, 16));
      }
      if (ReadSysfs(usb_device + "/bcdDevice", &text)) {
        base.release = static_cast<std::uint16_t>(std::strtol(Trim(text).c_str(), nullptr, 16));
      }
      if (ReadSysfs(usb_device + "/manufacturer", &text)) base.manufacturer = FromUtf8(Trim(text));
      if (ReadSysfs(usb_device + "/product", &text)) base.product = FromUtf8(Trim(text));
    }
  }
  out->infos.clear();
  out->input_ids.clear();
  out->numbered = false;
  for (std::size_t i = 0; i < tops.size(); ++i) {
    HidInterfaceInfo info = base;
    info.collection = tops.size() > 1 ? static_cast<int>(i + 1) : 0;
    char suffix[16] = "";
    if (info.collection) std::snprintf(suffix, sizeof suffix, "#col%02d", info.collection);
    info.path = "/dev/" + node + suffix;
    info.usage_page = tops[i].usage_page;
    info.usage = tops[i].usage;
    info.report_ids = tops[i].report_ids;
    info.input_report_length = tops[i].input_report_length;
    info.output_report_length = tops[i].output_report_length;
    info.feature_report_length = tops[i].feature_report_length;
    if (!info.report_ids.empty()) out->numbered = true;
    out->infos.push_back(std::move(info));
    out->input_ids.push_back(tops[i].input_report_ids);
  }
  return true;
}

class HidrawConnection final : public HidConnection {
 public:
  HidrawConnection(int fd, HidInterfaceInfo info, std::vector<std::uint8_t> input_ids, bool numbered)
      : fd_(fd), info_(std::move(info)), input_ids_(std::move(input_ids)), numbered_(numbered) {}
  ~HidrawConnection() override { close(fd_); }

  const HidInterfaceInfo& Info() const override { return info_; }

  ErrorCode Write(const std::uint8_t* report, std::size_t size, int timeout_ms) override {
    if (gone_) return err::kDeviceNotConnected;
    if (!report || size == 0 || size > info_.output_report_length) return err::kInvalidParameter;
    std::vector<std::uint8_t> buf(report, report + size);
    buf.resize(info_.output_report_length, 0);
    const Deadline deadline(timeout_ms);
    for (;;) {
      if (ErrorCode rc = WaitForReport(fd_, POLLOUT, deadline.Left(), &gone_)) return rc;
      // For an unnumbered interface the leading 0 is dropped by the kernel.
      const ssize_t n = ::write(fd_, buf.data(), buf.size());
      if (n == static_cast<ssize_t>(buf.size())) return err::kSuccess;
      if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      const ErrorCode code = n < 0 ? FromErrno(errno) : err::kGenFailure;
      if (code == err::kDeviceNotConnected) gone_ = true;
      return code;
    }
  }

  ErrorCode Read(std::uint8_t* buf, std::size_t capacity, int timeout_ms, std::size_t* received) override {
    if (received) *received = 0;
    if (!buf || !received) return err::kInvalidParameter;
    if (gone_) return err::kDeviceNotConnected;
    const Deadline deadline(timeout_ms);
    for (;;) {
      if (ErrorCode rc = WaitForReport(fd_, POLLIN, deadline.Left(), &gone_)) return rc;
      std::uint8_t report[kMaxReport + 1];
      // An unnumbered report arrives without its ID; the class driver shows 0.
      std::uint8_t* into = numbered_ ? report : report + 1;
      report[0] = 0;
      const ssize_t n = ::read(fd_, into, kMaxReport);
      if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
      if (n <= 0) {
        gone_ = true;
        return n == 0 ? err::kDeviceNotConnected : FromErrno(errno);
      }
      const std::size_t size = static_cast<std::size_t>(n) + (numbered_ ? 0 : 1);
      // Reports of the interface's other collections are not this one's.
      if (numbered_ && std::find(input_ids_.begin(), input_ids_.end(), report[0]) == input_ids_.end()) continue;
      const std::size_t copy = std::min(size, capacity);
      std::memcpy(buf, report, copy);
      *received = copy;
      return err::kSuccess;
    }
  }

  void Flush() override {
    std::uint8_t report[kMaxReport];
    while (::read(fd_, report, sizeof report) > 0) {
    }
  }

 private:
  int fd_;
  HidInterfaceInfo info_;
  std::vector<std::uint8_t> input_ids_;
  bool numbered_;
  bool gone_ = false;
};

class HidrawBus final : public HidBus {
 public:
  ErrorCode Enumerate(std::vector<HidInterfaceInfo>* out) override {
    if (!out) return err::kInvalidParameter;
    out->clear();
    DIR* d = opendir(kSysClass);
    if (!d) return errno == ENOENT ? err::kSuccess : FromErrno(errno);
    std::vector<std::string> nodes;
    while (dirent* e = readdir(d)) {
      if (std::strncmp(e->d_name, "hidraw", 6) == 0) nodes.push_back(e->d_name);
    }
    closedir(d);
    std::sort(nodes.begin(), nodes.end(), [](const std::string& a, const std::string& b) {
      return a.size() != b.size() ? a.size() < b.size() : a < b;
    });
    for (const auto& node : nodes) {
      NodeCollections c;
      // A node that vanished or cannot be described is left out.
      if (DescribeNode(node, &c)) out->insert(out->end(), c.infos.begin(), c.infos.end());
    }
    return err::kSuccess;
  }

  ErrorCode Open(const std::string& path, std::unique_ptr<HidConnection>* out) override {
    if (!out) return err::kInvalidParameter;
    out->reset();
    const std::string prefix = "/dev/hidraw";
    if (path.compare(0, prefix.size(), prefix) != 0) return err::kFileNotFound;
    const std::string device = path.substr(0, path.find('#'));
    const std::string node = device.substr(5);
    if (node.find('/') != std::string::npos || node.size() <= 6) return err::kFileNotFound;
    NodeCollections c;
    if (!DescribeNode(node, &c)) return err::kFileNotFound;
    for (std::size_t i = 0; i < c.infos.size(); ++i) {
      if (c.infos[i].path != path) continue;
      const int fd = open(device.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
      if (fd < 0) return FromErrno(errno);
      *out = std::make_unique<HidrawConnection>(fd, c.infos[i], c.input_ids[i], c.numbered);
      return err::kSuccess;
    }
    return err::kFileNotFound;
  }
};

}  // namespace

std::unique_ptr<HidBus> MakeHidrawBus() { return std::make_unique<HidrawBus>(); }

}  // namespace oro::platform::linux_host
