// The process-wide network configuration.
#include <mutex>

#include "oro/platform/file_reader.h"
#include "oro/platform/text.h"
#include "oro/updater/net_config.h"

namespace oro::updater {
namespace {

std::mutex g_mutex;
NetConfigRecord g_record;

}  // namespace

int LoadNetConfig(const std::wstring& path, std::string* problem) {
  std::string ignored;
  if (!problem) problem = &ignored;
  problem->clear();
  // The record has one size: nothing larger is ever read.
  std::vector<std::uint8_t> bytes;
  const platform::FileReadError read = platform::ReadBoundedFile(
      platform::ToUtf8(path), platform::FileSizeBounds::Exactly(kNetConfigSize), &bytes, problem);
  if (read == platform::FileReadError::kWrongSize) return -2;
  if (read != platform::FileReadError::kNone) return -1;
  NetConfigRecord record;
  const int result = DecodeNetConfig(bytes.data(), bytes.size(), record);
  if (result == -1) *problem = platform::ToUtf8(path) + ": checksum does not match (damaged or not a configuration)";
  if (result != 1) return result;
  std::lock_guard<std::mutex> lock(g_mutex);
  g_record = record;
  return 1;
}

int GetNetConfig(std::string& address, std::uint32_t& port, std::string& user, std::string& password,
                 std::string& folder, std::uint32_t& check_switch) {
  NetConfig c;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    c = ToNetConfig(g_record);
  }
  address = c.server;
  port = c.port;
  user = c.user;
  password = c.password;
  folder = c.folder;
  check_switch = c.check_switch;
  return 1;
}

}  // namespace oro::updater
