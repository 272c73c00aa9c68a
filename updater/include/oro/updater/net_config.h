// The network configuration file: where the update server is and how to log
// in. 344 bytes, little-endian, scrambled with its own 8-byte key and closed
// by a checksum so that a damaged file is refused rather than half read.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace oro::updater {

constexpr std::size_t kNetConfigSize = 344;
constexpr const wchar_t* kNetConfigFileName = L"oro_netcfg.fsc";

struct NetConfigRecord {
  std::array<std::uint8_t, 8> key{};
  std::array<std::uint8_t, 4> server{};  // IPv4 numbers in written order
  std::uint32_t port = 0;
  std::uint32_t check_switch = 0;  // 0: the update check is off
  // Texts end at their first zero byte or fill the whole field.
  std::array<char, 32> user{};
  std::array<char, 32> password{};
  std::array<char, 256> folder{};
};

// The same content as texts and numbers.
struct NetConfig {
  std::string server;  // "%d.%d.%d.%d"
  std::uint32_t port = 0;
  std::string user;
  std::string password;
  std::string folder;
  std::uint32_t check_switch = 0;
};

// The file's bytes: fields scrambled with the key, checksum appended.
std::array<std::uint8_t, kNetConfigSize> EncodeNetConfig(const NetConfigRecord& record);

// 1 decoded; -1 checksum mismatch; -2 size other than 344 bytes.
int DecodeNetConfig(const std::uint8_t* data, std::size_t size, NetConfigRecord& out);

NetConfig ToNetConfig(const NetConfigRecord& record);
// False with a reason when the server is not a dotted IPv4 address or a
// text does not fit its field (or holds a zero byte).
bool ToNetConfigRecord(const NetConfig& config, const std::array<std::uint8_t, 8>& key, NetConfigRecord& out,
                       std::string& reason);

// Reads the file into the process-wide configuration: 1; -1 missing or
// unreadable file, not a regular file, or checksum mismatch; -2 size other
// than 344 bytes (nothing beyond that is read). A failed load leaves the
// previous configuration as it was and says why in `problem`.
int LoadNetConfig(const std::wstring& path, std::string* problem = nullptr);

// The process-wide configuration (all empty and zero before a load). 1.
int GetNetConfig(std::string& address, std::uint32_t& port, std::string& user, std::string& password,
                 std::string& folder, std::uint32_t& check_switch);

}  // namespace oro::updater
