// The stored form of the network configuration, free of files and state.
#include <cstring>

#include "oro/common/checksum.h"
#include "oro/platform/little_endian.h"
#include "oro/updater/net_config.h"

namespace oro::updater {
namespace {

constexpr std::size_t kScrambledStart = 8;
constexpr std::size_t kScrambledSize = 332;  // offsets 8..339
constexpr std::size_t kChecksumOffset = 340;

// Its own inverse: the same call scrambles and unscrambles.
void Scramble(std::uint8_t* bytes, const std::array<std::uint8_t, 8>& key) {
  for (std::size_t i = 0; i < kScrambledSize; ++i) {
    bytes[kScrambledStart + i] ^= static_cast<std::uint8_t>(key[i % 8] ^ (i % 256));
  }
}

template <std::size_t N>
std::string FieldText(const std::array<char, N>& field) {
  const void* zero = std::memchr(field.data(), 0, N);
  return std::string(field.data(), zero ? static_cast<const char*>(zero) - field.data() : N);
}

template <std::size_t N>
bool SetField(std::array<char, N>& field, const std::string& text, const char* name, std::string& reason) {
  if (text.size() > N || text.find('\0') != std::string::npos) {
    reason = std::string(name) + " must be at most " + std::to_string(N) + " bytes without zero bytes";
    return false;
  }
  field.fill(0);
  std::memcpy(field.data(), text.data(), text.size());
  return true;
}

bool ParseDottedIpv4(const std::string& text, std::array<std::uint8_t, 4>& out) {
  std::size_t pos = 0;
  for (int part = 0; part < 4; ++part) {
    if (part > 0) {
      if (pos >= text.size() || text[pos] != '.') return false;
      ++pos;
    }
    const std::size_t start = pos;
    unsigned value = 0;
    while (pos < text.size() && pos - start < 3 && text[pos] >= '0' && text[pos] <= '9') {
      value = value * 10 + static_cast<unsigned>(text[pos] - '0');
      ++pos;
    }
    if (pos == start || value > 255) return false;
    out[part] = static_cast<std::uint8_t>(value);
  }
  return pos == text.size();
}

}  // namespace

std::array<std::uint8_t, kNetConfigSize> EncodeNetConfig(const NetConfigRecord& record) {
  std::array<std::uint8_t, kNetConfigSize> b{};
  std::memcpy(&b[0], record.key.data(), 8);
  std::memcpy(&b[8], record.server.data(), 4);
  platform::StoreLe<std::uint32_t>(&b[12], record.port);
  platform::StoreLe<std::uint32_t>(&b[16], record.check_switch);
  std::memcpy(&b[20], record.user.data(), 32);
  std::memcpy(&b[52], record.password.data(), 32);
  std::memcpy(&b[84], record.folder.data(), 256);
  Scramble(b.data(), record.key);
  platform::StoreLe<std::uint32_t>(&b[kChecksumOffset], common::Crc32(b.data(), kChecksumOffset));
  return b;
}

int DecodeNetConfig(const std::uint8_t* data, std::size_t size, NetConfigRecord& out) {
  if (size != kNetConfigSize) return -2;
  // The stored checksum closes the register: an intact file sums to 0.
  if (common::Crc32(data, kNetConfigSize) != 0) return -1;
  std::array<std::uint8_t, kNetConfigSize> b;
  std::memcpy(b.data(), data, kNetConfigSize);
  NetConfigRecord r;
  std::memcpy(r.key.data(), &b[0], 8);
  Scramble(b.data(), r.key);
  std::memcpy(r.server.data(), &b[8], 4);
  r.port = platform::LoadLe<std::uint32_t>(&b[12]);
  r.check_switch = platform::LoadLe<std::uint32_t>(&b[16]);
  std::memcpy(r.user.data(), &b[20], 32);
  std::memcpy(r.password.data(), &b[52], 32);
  std::memcpy(r.folder.data(), &b[84], 256);
  out = r;
  return 1;
}

NetConfig ToNetConfig(const NetConfigRecord& record) {
  NetConfig c;
  c.server = std::to_string(record.server[0]) + "." + std::to_string(record.server[1]) + "." +
             std::to_string(record.server[2]) + "." + std::to_string(record.server[3]);
  c.port = record.port;
  c.user = FieldText(record.user);
  c.password = FieldText(record.password);
  c.folder = FieldText(record.folder);
  c.check_switch = record.check_switch;
  return c;
}

bool ToNetConfigRecord(const NetConfig& config, const std::array<std::uint8_t, 8>& key, NetConfigRecord& out,
                       std::string& reason) {
  NetConfigRecord r;
  r.key = key;
  if (!ParseDottedIpv4(config.server, r.server)) {
    reason = "server must be a dotted IPv4 address, not '" + config.server + "'";
    return false;
  }
  r.port = config.port;
  r.check_switch = config.check_switch;
  if (!SetField(r.user, config.user, "user name", reason) ||
      !SetField(r.password, config.password, "password", reason) ||
      !SetField(r.folder, config.folder, "folder", reason)) {
    return false;
  }
  out = r;
  return true;
}

}  // namespace oro::updater
