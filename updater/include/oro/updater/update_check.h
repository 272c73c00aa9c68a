// Whether the update server offers an installer other than the installed
// one. The panel adds only its window around this: the server values and the
// update information come back for it to keep.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "oro/updater/net_config.h"

namespace oro::updater {

namespace update_check {
constexpr int kNewVersion = 1;
constexpr int kNoConfig = -1;
constexpr int kNoInstalledInstaller = -3;
constexpr int kNoUpdateInfo = -4;
constexpr int kCheckOff = -5;
constexpr int kUpToDate = -6;
}  // namespace update_check

constexpr const wchar_t* kInstalledInstallerPath = L"backup/setup_backup.exe";  // below the install folder
constexpr const char* kUpdateInfoName = "oro_updateinfo.dat";
constexpr const char* kInstallerName = "setup.exe";

struct UpdateCheckResult {
  int code = update_check::kNoConfig;
  NetConfig server;  // filled once the configuration loaded
  std::uint32_t installed_crc = 0;
  std::wstring update_info;  // filled once the information was downloaded
};

// Fetches one remote file: 1 and its bytes, or a negative client result.
using RemoteFileFetcher =
    std::function<int(const NetConfig& server, const std::string& remote_path, std::vector<std::uint8_t>& bytes)>;

// The FTP client's download with the configured server and account.
int FetchOverFtp(const NetConfig& server, const std::string& remote_path, std::vector<std::uint8_t>& bytes);

// Loads "<install folder>/oro_netcfg.fsc" (into the process-wide copy), takes
// the checksum of the installed installer, fetches the update information
// from the configured folder and decides: 1 new version, -1 no valid
// configuration, -3 no installed installer, -4 no update information, -5
// check switched off, -6 up to date.
UpdateCheckResult CheckForUpdate(const std::wstring& install_folder, const RemoteFileFetcher& fetch = FetchOverFtp);

// The last steps alone: -5 when the switch is off, -6 when the information
// lists the installed checksum, else 1.
int UpdateDecision(std::uint32_t check_switch, const std::wstring& update_info, std::uint32_t installed_crc);

// "setup.exe:crc=0x" and eight lower-case hexadecimal digits.
std::wstring InstallerCrcTag(std::uint32_t crc);

// The bytes up to the first zero, one character per byte.
std::wstring UpdateInfoText(const std::uint8_t* data, std::size_t size);

// A file in the server's update folder. Joined with "/", which FTP servers
// on every system understand.
std::string RemoteFilePath(const std::string& folder, const std::string& name);

}  // namespace oro::updater
