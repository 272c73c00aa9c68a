// oroctl netcfg: writes and reads the updater's network configuration file.
#include <cstdio>
#include <cstdlib>
#include <random>

#include "command.h"
#include "oro/platform/file_writer.h"
#include "oro/platform/text.h"
#include "oro/updater/net_config.h"

namespace oro::tools {
namespace {

constexpr const char* kUsage =
    "usage: oroctl netcfg make FILE --server A.B.C.D [--port N] [--user NAME] [--password TEXT]\n"
    "                          [--folder DIR] [--switch N] [--key 16HEX]\n"
    "       oroctl netcfg show FILE [--show-password]";

bool ParseNumber(const std::string& text, std::uint32_t& out) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 10) return false;
  const unsigned long long v = std::strtoull(text.c_str(), nullptr, 10);
  if (v > 0xFFFFFFFFull) return false;
  out = static_cast<std::uint32_t>(v);
  return true;
}

bool ParseKey(const std::string& text, std::array<std::uint8_t, 8>& key) {
  if (text.size() != 16 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) return false;
  for (std::size_t i = 0; i < 8; ++i)
    key[i] = static_cast<std::uint8_t>(std::stoul(text.substr(2 * i, 2), nullptr, 16));
  return true;
}

int Make(const Args& args) {
  if (args.size() < 2) return UsageError(kUsage);
  const std::string file = args[1];
  updater::NetConfig config;
  config.port = 21;
  config.check_switch = 1;
  std::array<std::uint8_t, 8> key{};
  std::random_device random;
  for (auto& b : key) b = static_cast<std::uint8_t>(random());
  bool have_server = false;
  for (std::size_t i = 2; i < args.size(); i += 2) {
    const std::string& name = args[i];
    if (i + 1 >= args.size()) return UsageError("missing value after " + name);
    const std::string& value = args[i + 1];
    if (name == "--server") {
      config.server = value;
      have_server = true;
    } else if (name == "--port") {
      if (!ParseNumber(value, config.port) || config.port == 0 || config.port > 65535)
        return UsageError("port must be 1 to 65535");
    } else if (name == "--user") {
      config.user = value;
    } else if (name == "--password") {
      config.password = value;
    } else if (name == "--folder") {
      config.folder = value;
    } else if (name == "--switch") {
      if (!ParseNumber(value, config.check_switch)) return UsageError("switch must be a number");
    } else if (name == "--key") {
      if (!ParseKey(value, key)) return UsageError("key must be 16 hexadecimal digits");
    } else {
      return UsageError("unknown option " + name);
    }
  }
  if (!have_server) return UsageError("--server is required");
  updater::NetConfigRecord record;
  std::string reason;
  if (!updater::ToNetConfigRecord(config, key, record, reason)) return UsageError(reason);
  const auto bytes = updater::EncodeNetConfig(record);
  // It holds the server's password: owner-only, whatever the umask.
  std::string problem;
  if (platform::ReplaceFileContents(file, bytes.data(), bytes.size(), platform::kOwnerOnlyMode, &problem) !=
      platform::FileWriteError::kNone) {
    return Fail(problem);
  }
  return 0;
}

int Show(const Args& args) {
  std::string file;
  bool show_password = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--show-password") {
      show_password = true;
    } else if (file.empty() && !(args[i].size() > 1 && args[i][0] == '-')) {
      file = args[i];
    } else {
      return UsageError(kUsage);
    }
  }
  if (file.empty()) return UsageError(kUsage);
  std::string problem;
  if (updater::LoadNetConfig(platform::FromUtf8(file), &problem) != 1) {
    return Fail(problem + " (not a network configuration)");
  }
  updater::NetConfig c;
  updater::GetNetConfig(c.server, c.port, c.user, c.password, c.folder, c.check_switch);
  // Shown only on request, so a look at the settings does not leak it to the screen or a log.
  if (!show_password) c.password = c.password.empty() ? "(none)" : "******** (--show-password shows it)";
  std::printf("server   %s\nport     %u\nuser     %s\npassword %s\nfolder   %s\nswitch   %u\n", c.server.c_str(),
              c.port, c.user.c_str(), c.password.c_str(), c.folder.c_str(), c.check_switch);
  return 0;
}

int Run(const Args& args) {
  if (args.empty()) return UsageError(kUsage);
  if (args[0] == "make") return Make(args);
  if (args[0] == "show") return Show(args);
  return UsageError(kUsage);
}

const CommandRegistrar kRegistrar({"netcfg", "write or show the update server configuration (oro_netcfg.fsc)", Run,
                                   kUsage});

}  // namespace
}  // namespace oro::tools
