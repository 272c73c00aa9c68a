// init, unInit and getDeviceCount: the exports that frame the library's use.
// Installation on the endpoints is the effect registration's work; this file
// decides when it runs and what the kit's key holds around it.
#include <exception>
#include <string>

#include "load_device_info.h"
#include "oro/common/apo_platform.h"
#include "oro/common/hid_device.h"
#include "oro/common/hid_identity.h"
#include "oro/common/property_blocks.h"
#include "oro/common/registry_access.h"
#include "oro/device_api/library_context.h"
#include "oro/platform/clock.h"
#include "oro/platform/text.h"
#include "oro_ecd_api.h"

namespace {

namespace common = oro::common;
namespace platform = oro::platform;
using oro::device_api::DebugLine;
using oro::device_api::LibraryPlatform;

constexpr const wchar_t* kInstallPath = L"InstallPath";
constexpr const wchar_t* kAudioEngine = L"audiodg.exe";
constexpr int kEngineStopAttempts = 5;
constexpr std::chrono::milliseconds kEngineStopWait{300};

// The host program's executable; empty when it cannot be told.
std::wstring ProgramPath(platform::Platform& p) {
  std::wstring path;
  if (!p.processes || p.processes->OwnExecutablePath(&path) != platform::err::kSuccess) return {};
  return path;
}

// Ends every running audio engine; true when none is left running.
bool EndAudioEngines(platform::ProcessTable& processes) {
  std::vector<platform::ProcessEntry> all;
  if (processes.Snapshot(&all) != platform::err::kSuccess) return false;
  const std::wstring wanted = platform::FoldCase(kAudioEngine);
  bool any = false;
  for (const auto& entry : all) {
    if (platform::FoldCase(entry.name) != wanted) continue;
    any = true;
    processes.Terminate(entry);
  }
  return !any;
}

bool AudioEngineRunning(platform::ProcessTable& processes) {
  std::vector<platform::ProcessEntry> all;
  if (processes.Snapshot(&all) != platform::err::kSuccess) return false;
  for (const auto& entry : all) {
    if (platform::FoldCase(entry.name) == platform::FoldCase(kAudioEngine)) return true;
  }
  return false;
}

void LogFailure(const char* where, const std::wstring& message) {
  try {
    DebugLine(oro::platform::FromUtf8(where) + L": " + message);
  } catch (...) {
  }
}

}  // namespace

extern "C" ORO_API int32_t init(void) {
  try {
    platform::Platform& p = LibraryPlatform();
    common::RegistryAccess reg(*p.registry, p.system.get());
    if (!reg.KeyExists(common::kBlockStoreKey)) reg.CreateKey(common::kBlockStoreKey);
    const std::wstring program = ProgramPath(p);
    common::ApoEnvironment env = common::MakeApoEnvironment(p, reg, program);
    common::InstallOnSupportedDevices(env, common::ApoFlow::kCapture, true, true, true);
    // The folder is written whole whatever its length: a cut path would name
    // another folder.
    reg.WriteString(common::kBlockStoreKey, kInstallPath, common::InstallFolder(program));
    oro::device_api::LoadDeviceInfo(nullptr);
  } catch (const common::RegistryException& e) {
    LogFailure("init", e.Message());
  } catch (const std::exception& e) {
    LogFailure("init", platform::FromUtf8(e.what()));
  } catch (...) {
    LogFailure("init", L"unexpected failure");
  }
  return 0;
}

extern "C" ORO_API int32_t unInit(void) {
  try {
    platform::Platform& p = LibraryPlatform();
    if (p.processes) {
      for (int attempt = 0; attempt < kEngineStopAttempts; ++attempt) {
        EndAudioEngines(*p.processes);
        platform::SystemClock().Sleep(kEngineStopWait);
        if (!AudioEngineRunning(*p.processes)) break;
      }
    }
    const std::wstring program = ProgramPath(p);
    if (!p.modules || !common::RegisterApoDll(*p.modules, common::ApoModulePath(program), false)) {
      return ORO_ERR_UNREGISTER;
    }
    common::RegistryAccess reg(*p.registry, p.system.get());
    common::ApoEnvironment env = common::MakeApoEnvironment(p, reg, program);
    common::InstallOnSupportedDevices(env, common::ApoFlow::kCapture, false, true, true);
    if (reg.KeyExists(common::kBlockStoreKey)) {
      for (const wchar_t* name :
           {common::kBlock1ValueName, common::kBlock2ValueName, common::kBlock3ValueName, kInstallPath}) {
        if (reg.ValueExists(common::kBlockStoreKey, name)) reg.DeleteValue(common::kBlockStoreKey, name);
      }
    }
    return ORO_OK;
  } catch (const common::RegistryException& e) {
    LogFailure("unInit", e.Message());
  } catch (const std::exception& e) {
    LogFailure("unInit", platform::FromUtf8(e.what()));
  } catch (...) {
    LogFailure("unInit", L"unexpected failure");
  }
  return ORO_ERR_STORE;
}

extern "C" ORO_API int32_t getDeviceCount(void) {
  try {
    platform::Platform& p = LibraryPlatform();
    if (!p.hid) return 0;
    int32_t count = 0;
    for (std::size_t i = 0; i < common::kSupportedDeviceCount; ++i) {
      common::HidIdentity id;
      if (!common::SupportedDeviceAt(i, &id)) break;
      common::HidDevice device(p.hid);
      if (device.open(id.vendor_id, id.product_id, id.interface_number, id.report_id)) ++count;
    }
    return count;
  } catch (...) {
    LogFailure("getDeviceCount", L"unexpected failure");
    return 0;
  }
}
