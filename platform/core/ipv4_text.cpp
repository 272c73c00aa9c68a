// Dotted IPv4 text, parsed and written here for every system so that they
// all take and show the same text.
#include <cstring>

#include "oro/platform/tcp_socket.h"

namespace oro::platform::net {

bool ParseIpv4(const std::string& text, std::uint32_t& address) {
  // Four decimal numbers, each 0-255 without leading zeros.
  unsigned char parts[4];
  std::size_t part = 0, i = 0;
  while (part < 4) {
    if (i >= text.size() || text[i] < '0' || text[i] > '9') return false;
    unsigned value = 0;
    const std::size_t first = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
      value = value * 10 + static_cast<unsigned>(text[i] - '0');
      if (value > 255 || (i > first && text[first] == '0')) return false;
      ++i;
    }
    parts[part++] = static_cast<unsigned char>(value);
    if (part < 4) {
      if (i >= text.size() || text[i] != '.') return false;
      ++i;
    }
  }
  if (i != text.size()) return false;
  // Network order is the order of the bytes in memory.
  std::memcpy(&address, parts, sizeof address);
  return true;
}

std::string FormatIpv4(std::uint32_t address) {
  unsigned char parts[4];
  std::memcpy(parts, &address, sizeof parts);
  return std::to_string(parts[0]) + "." + std::to_string(parts[1]) + "." + std::to_string(parts[2]) + "." +
         std::to_string(parts[3]);
}

}  // namespace oro::platform::net
