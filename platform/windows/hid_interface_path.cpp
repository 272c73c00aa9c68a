#include "oro/platform/windows/hid_interface_path.h"

#include <algorithm>

namespace oro::platform::windows_host {
namespace {

std::string Lower(std::string s) {
  for (auto& c : s) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return s;
}

// The hexadecimal number right after `key` in `segment`; -1 when there is none.
int HexAfter(const std::string& segment, const std::string& key) {
  std::size_t at = segment.find(key);
  if (at == std::string::npos) return -1;
  at += key.size();
  int value = 0;
  std::size_t digits = 0;
  for (; at < segment.size() && digits < 4; ++at, ++digits) {
    const char c = segment[at];
    int d;
    if (c >= '0' && c <= '9') {
      d = c - '0';
    } else if (c >= 'a' && c <= 'f') {
      d = c - 'a' + 10;
    } else {
      break;
    }
    value = value * 16 + d;
  }
  return digits > 0 ? value : -1;
}

}  // namespace

HidPathParts ParseHidInterfacePath(const std::string& path) {
  HidPathParts parts;
  const std::string lower = Lower(path);
  const std::size_t start = lower.find("hid#");
  if (start == std::string::npos) return parts;
  const std::size_t end = lower.find('#', start + 4);
  // "&" in front of each part: "vid_..&pid_..&mi_01&col02"; the leading one
  // makes the first part findable the same way.
  const std::string segment = "&" + lower.substr(start + 4, end == std::string::npos ? end : end - start - 4) + "&";
  parts.interface_number = HexAfter(segment, "&mi_");
  const int collection = HexAfter(segment, "&col");
  parts.collection = collection > 0 ? collection : 0;
  return parts;
}

std::vector<std::uint8_t> DeclaredReportIds(std::vector<std::uint8_t> ids) {
  ids.erase(std::remove(ids.begin(), ids.end(), 0), ids.end());
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  return ids;
}

ErrorCode FrameOutputReport(const std::uint8_t* report, std::size_t size, std::uint16_t output_length,
                            std::vector<std::uint8_t>* framed) {
  framed->clear();
  if (size == 0 || output_length == 0 || size > output_length) return err::kInvalidParameter;
  framed->assign(output_length, 0);
  std::copy(report, report + size, framed->begin());
  return err::kSuccess;
}

ErrorCode HidIoError(std::uint32_t win32_error) {
  switch (win32_error) {
    case 0:
      return err::kSuccess;
    case 1167:  // ERROR_DEVICE_NOT_CONNECTED
    case 55:    // ERROR_DEV_NOT_EXIST
    case 433:   // ERROR_NO_SUCH_DEVICE
    case 22:    // ERROR_BAD_COMMAND: the stack under a removed device
      return err::kDeviceNotConnected;
    default:
      return win32_error;
  }
}

}  // namespace oro::platform::windows_host
