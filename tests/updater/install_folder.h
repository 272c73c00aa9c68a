// An install folder as the update check finds it: the network configuration
// and the installer the kit was installed from.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include "oro/updater/net_config.h"
#include "temp_root.h"

namespace oro::test {

class InstallFolder {
 public:
  std::string Path() const { return root_.Path(); }

  void WriteConfig(const updater::NetConfig& config) {
    updater::NetConfigRecord record;
    std::string reason;
    if (!updater::ToNetConfigRecord(config, {1, 2, 3, 4, 5, 6, 7, 8}, record, reason)) throw std::runtime_error(reason);
    const auto bytes = updater::EncodeNetConfig(record);
    Write("oro_netcfg.fsc", std::string(bytes.begin(), bytes.end()));
  }

  void WriteInstaller(const std::string& content) {
    std::filesystem::create_directories(Path() + "/backup");
    Write("backup/setup_backup.exe", content);
  }

  void Write(const std::string& name, const std::string& content) {
    std::ofstream(Path() + "/" + name, std::ios::binary) << content;
  }

 private:
  TempRoot root_;
};

}  // namespace oro::test
