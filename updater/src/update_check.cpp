#include "oro/updater/update_check.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "oro/updater/file_checksum.h"
#include "oro/updater/ftp_client.h"

namespace oro::updater {
namespace {

std::wstring JoinLocal(const std::wstring& folder, const std::wstring& name) {
  if (folder.empty()) return name;
  const wchar_t last = folder.back();
  if (last == L'/' || last == L'\\') return folder + name;
  return folder + L"/" + name;
}

}  // namespace

int FetchOverFtp(const NetConfig& server, const std::string& remote_path, std::vector<std::uint8_t>& bytes) {
  std::unique_ptr<std::uint8_t[]> buffer;
  std::int32_t size = 0;
  const int result = FtpDownloadToMemory(server.server, server.user, server.password, remote_path, buffer, size,
                                         nullptr, nullptr, static_cast<int>(server.port));
  if (result != ftp_result::kOk) return result;
  bytes.assign(buffer.get(), buffer.get() + size);
  return result;
}

UpdateCheckResult CheckForUpdate(const std::wstring& install_folder, const RemoteFileFetcher& fetch) {
  UpdateCheckResult r;
  if (LoadNetConfig(JoinLocal(install_folder, kNetConfigFileName)) != 1) {
    r.code = update_check::kNoConfig;
    return r;
  }
  GetNetConfig(r.server.server, r.server.port, r.server.user, r.server.password, r.server.folder,
               r.server.check_switch);
  if (FileCrc32(JoinLocal(install_folder, kInstalledInstallerPath), r.installed_crc) != file_crc::kOk) {
    r.code = update_check::kNoInstalledInstaller;
    return r;
  }
  std::vector<std::uint8_t> info;
  if (fetch(r.server, RemoteFilePath(r.server.folder, kUpdateInfoName), info) != 1) {
    r.code = update_check::kNoUpdateInfo;
    return r;
  }
  r.update_info = UpdateInfoText(info.data(), info.size());
  r.code = UpdateDecision(r.server.check_switch, r.update_info, r.installed_crc);
  return r;
}

int UpdateDecision(std::uint32_t check_switch, const std::wstring& update_info, std::uint32_t installed_crc) {
  if (check_switch == 0) return update_check::kCheckOff;
  if (update_info.find(InstallerCrcTag(installed_crc)) != std::wstring::npos) return update_check::kUpToDate;
  return update_check::kNewVersion;
}

std::wstring InstallerCrcTag(std::uint32_t crc) {
  char text[32];
  std::snprintf(text, sizeof text, "setup.exe:crc=0x%.8x", static_cast<unsigned>(crc));
  return std::wstring(text, text + std::strlen(text));
}

std::wstring UpdateInfoText(const std::uint8_t* data, std::size_t size) {
  std::wstring text;
  text.reserve(size);
  for (std::size_t i = 0; i < size && data[i] != 0; ++i) text.push_back(static_cast<wchar_t>(data[i]));
  return text;
}

std::string RemoteFilePath(const std::string& folder, const std::string& name) {
  std::string base = folder;
  while (!base.empty() && (base.back() == '/' || base.back() == '\\')) base.pop_back();
  return base + "/" + name;
}

}  // namespace oro::updater
