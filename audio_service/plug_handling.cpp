#include "oro/audio_service/plug_handling.h"

#include <algorithm>
#include <cstdarg>
#include <cwctype>

#include "oro/common/apo_installer.h"
#include "oro/common/apo_keys.h"
#include "oro/common/apo_platform.h"
#include "oro/common/debug_print.h"
#include "oro/common/endpoint_volume.h"
#include "oro/common/hid_device.h"
#include "oro/common/registry_access.h"
#include "oro/common/registry_exception.h"
#include "oro/common/service_control.h"
#include "oro/platform/text.h"

namespace oro::audio_service {
namespace {

using platform::err::kSuccess;
constexpr const wchar_t* kAutoRun = L"EnableAutoRunWhenPlug";
constexpr const wchar_t* kAppName = L"UIAppName";
constexpr const wchar_t* kInstallPath = L"InstallPath";
constexpr const wchar_t* kExitCmd = L"exitCmd";

// A value of the kit's key; a missing key counts as a missing value.
bool HasKitValue(common::RegistryAccess& reg, const wchar_t* name) {
  return reg.KeyExists(common::apo::kKitKey) && reg.ValueExists(common::apo::kKitKey, name);
}

std::wstring Lower(std::wstring text) {
  for (auto& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

}  // namespace

std::wstring FindUsbIdText(const platform::EndpointInfo& endpoint) {
  for (const std::wstring* text : {&endpoint.device_path, &endpoint.name, &endpoint.adapter_name}) {
    const std::wstring lower = Lower(*text);
    if (lower.find(L"usb\\") != std::wstring::npos && lower.find(L"vid_") != std::wstring::npos &&
        lower.find(L"pid_") != std::wstring::npos) {
      return lower;
    }
  }
  return {};
}

std::uint32_t ParseUsbId(const std::wstring& text, bool vendor) {
  const std::wstring lower = Lower(text);
  const std::size_t at = lower.find(vendor ? L"vid_" : L"pid_");
  if (at == std::wstring::npos) return 0;
  std::uint32_t value = 0;
  for (std::size_t i = at + 4; i < lower.size() && i < at + 8 && std::iswxdigit(lower[i]); ++i) {
    const wchar_t c = lower[i];
    value = value * 16 + static_cast<std::uint32_t>(c <= L'9' ? c - L'0' : c - L'a' + 10);
  }
  return value;
}

bool IsPlainProgramName(const std::wstring& name) {
  if (name.empty() || name.size() > 255 || name == L"." || name == L"..") return false;
  return std::none_of(name.begin(), name.end(),
                      [](wchar_t c) { return c == L'"' || c == L'/' || c == L'\\' || c < 0x20 || c == 0x7F; });
}

PlugHandler::PlugHandler(platform::Platform& platform, std::wstring program_path, Timing timing)
    : platform_(platform), program_path_(std::move(program_path)), timing_(timing) {}

PlugHandler::~PlugHandler() { Shutdown(); }

void PlugHandler::Shutdown() {
  {
    std::lock_guard<std::mutex> lock(wait_mutex_);
    shutting_down_ = true;
  }
  wait_cv_.notify_all();
  std::lock_guard<std::mutex> lock(nudge_mutex_);
  if (nudge_.joinable()) nudge_.join();
}

bool PlugHandler::Wait(std::chrono::milliseconds d) {
  std::unique_lock<std::mutex> lock(wait_mutex_);
  return !wait_cv_.wait_for(lock, d, [this] { return shutting_down_; });
}

void PlugHandler::Log(const wchar_t* format, ...) {
  if (!platform_.debug) return;
  va_list args;
  va_start(args, format);
  common::DebugPrintWV(*platform_.debug, format, args);
  va_end(args);
}

std::vector<common::HidIdentity> PlugHandler::PresentSupportedDevices() {
  std::vector<common::HidIdentity> present;
  if (!platform_.hid) return present;
  for (std::size_t i = 0; i < common::kSupportedDeviceCount; ++i) {
    common::HidIdentity id;
    if (!common::SupportedDeviceAt(i, &id)) break;
    if (common::IsBluetoothEntry(id) || (id.vendor_id == 0 && id.product_id == 0)) continue;
    common::HidDevice device(platform_.hid);
    if (device.open(id.vendor_id, id.product_id, id.interface_number, id.report_id)) present.push_back(id);
  }
  return present;
}

bool PlugHandler::Plug(const std::wstring& endpoint_id, bool install) {
  // The endpoint that has just become default, wherever it is.
  const platform::EndpointInfo* endpoint = nullptr;
  std::vector<platform::EndpointInfo> all;
  for (platform::Flow flow : {platform::Flow::kRender, platform::Flow::kCapture}) {
    std::vector<platform::EndpointInfo> some;
    if (platform_.audio && platform_.audio->EnumerateEndpoints(flow, 0xF, &some) == kSuccess) {
      all.insert(all.end(), some.begin(), some.end());
    }
  }
  for (const auto& e : all) {
    if (!endpoint_id.empty() && platform::FoldCase(e.id) == platform::FoldCase(endpoint_id)) endpoint = &e;
  }
  if (!endpoint) Log(L"[quenta]NULL device");
  const std::wstring usb = endpoint ? FindUsbIdText(*endpoint) : std::wstring();
  Log(L"[quenta]%s r=%d", usb.c_str(), usb.empty() ? 0 : 1);
  const std::uint32_t vendor = usb.empty() ? 0 : ParseUsbId(usb, true);
  const std::uint32_t product = usb.empty() ? 0 : ParseUsbId(usb, false);
  Log(L"[quenta] %s:v-p=%4X-%4X installed OK", endpoint_id.c_str(), vendor, product);

  std::vector<common::HidIdentity> present;
  for (int attempt = 0; attempt < timing_.search_attempts; ++attempt) {
    present = PresentSupportedDevices();
    if (!present.empty()) break;
    if (attempt + 1 < timing_.search_attempts && !Wait(timing_.search_wait)) return false;
  }
  if (present.empty()) return false;
  // Any present supported device may own the endpoint: the dongle plugged
  // beside the headset is as much the kit's as the headset.
  const bool target = std::any_of(present.begin(), present.end(), [&](const common::HidIdentity& id) {
    return id.vendor_id == vendor && id.product_id == product;
  });
  if (!target) {
    Log(L"[quenta]pluging device(%.4x-%.4x) is not target", present.front().vendor_id, present.front().product_id);
    return false;
  }

  if (install) {
    try {
      common::RegistryAccess reg(*platform_.registry, platform_.system.get());
      common::ApoEnvironment env = common::MakeApoEnvironment(platform_, reg, program_path_);
      common::InstallOnSupportedDevices(env, common::ApoFlow::kCapture, true, true, true);
      Log(L"[quenta]driver installed ");
    } catch (const common::RegistryException& e) {
      Log(L"[quenta]driver install failed: %s", e.Message().c_str());
    } catch (const common::ServiceException& e) {
      Log(L"[quenta]driver install failed: %s", e.Message().c_str());
    }
  }
  try {
    StartPanel();
  } catch (const common::RegistryException& e) {
    Log(L"[quenta]panel not started: %s", e.Message().c_str());
  }
  StartNudge();
  return true;
}

void PlugHandler::StartPanel() {
  common::RegistryAccess reg(*platform_.registry);
  if (!HasKitValue(reg, kAutoRun) || reg.ReadString(common::apo::kKitKey, kAutoRun) != L"true") {
    return;
  }
  if (!HasKitValue(reg, kAppName)) return;
  const std::wstring name = reg.ReadString(common::apo::kKitKey, kAppName);
  if (!IsPlainProgramName(name)) {
    Log(L"[quenta]UIAppName is not a plain program name: not started");
    return;
  }
  if (!IsProcessRunning(name)) LaunchInUserSession(name);
}

bool PlugHandler::IsProcessRunning(const std::wstring& name) {
  std::vector<platform::ProcessEntry> processes;
  if (!platform_.processes || platform_.processes->Snapshot(&processes) != kSuccess) return false;
  const std::wstring folded = platform::FoldCase(name);
  return std::any_of(processes.begin(), processes.end(),
                     [&](const platform::ProcessEntry& p) { return platform::FoldCase(p.name) == folded; });
}

bool PlugHandler::LaunchInUserSession(const std::wstring& name) {
  std::uint32_t session = platform::kNoConsoleSession;
  if (platform_.processes->ConsoleSession(&session) != kSuccess || session == platform::kNoConsoleSession) {
    Log(L"[quenta]No active console session.\n");
    return false;
  }
  common::RegistryAccess reg(*platform_.registry);
  std::wstring folder = reg.ReadString(common::apo::kKitKey, kInstallPath);
  while (folder.size() > 1 && (folder.back() == L'/' || folder.back() == L'\\')) folder.pop_back();
  platform::StartRequest request;
  request.program = folder + L"/" + name;
  Log(L"[quenta]cmd:%s", (L"\"" + request.program + L"\"").c_str());
  std::int64_t id = 0;
  const platform::ErrorCode rc = platform_.processes->StartInSession(session, request, &id);
  if (rc == platform::err::kNoToken) {
    Log(L"[quenta]WTSQueryUserToken failed.\n");
  } else if (rc != kSuccess) {
    Log(L"[quenta]CreateProcessAsUser failed: %d\n", static_cast<int>(rc));
  } else {
    Log(L"[quenta]Process started successfully in user session.\n");
  }
  return rc == kSuccess;
}

void PlugHandler::Unplug() {
  Log(L"[quenta]removed ok\n");
  common::RegistryAccess reg(*platform_.registry);
  if (!HasKitValue(reg, kAppName)) return;
  const std::wstring name = reg.ReadString(common::apo::kKitKey, kAppName);
  if (IsProcessRunning(name)) {
    reg.WriteDword(common::apo::kKitKey, kExitCmd, 1);
  } else {
    Log(L"[quenta]NOT Found %s", name.c_str());
  }
}

void PlugHandler::StartNudge() {
  // One nudge at a time; a plug while one runs leaves it to finish.
  if (nudge_busy_.exchange(true)) return;
  std::lock_guard<std::mutex> lock(nudge_mutex_);
  if (nudge_.joinable()) nudge_.join();
  {
    std::lock_guard<std::mutex> wait_lock(wait_mutex_);
    if (shutting_down_) {
      nudge_busy_ = false;
      return;
    }
  }
  try {
    nudge_ = std::thread([this] {
      try {
        Nudge();
      } catch (...) {
        nudge_busy_ = false;
        Log(L"[quenta] volumn monitor failed\n");
      }
    });
  } catch (...) {
    nudge_busy_ = false;  // no thread, so nobody else would clear it
    throw;
  }
}

void PlugHandler::Nudge() {
  Log(L"[quenta] volumn monitor enter\n");
  // The endpoint that was default at the plug is the one nudged throughout:
  // when it goes away its interface fails, and the nudge ends.
  std::unique_ptr<platform::EndpointVolume> volume;
  float scalar = 0;
  if (platform_.audio &&
      common::OpenDefaultEndpointVolume(*platform_.audio, platform::Flow::kRender, &volume) == kSuccess &&
      volume->GetMasterScalar(&scalar) == kSuccess && common::ScalarToPercent(scalar) >= 100) {
    bool settled = false, lost = false;
    for (int round = 0; round < timing_.nudge_rounds && !settled && !lost; ++round) {
      if (!Wait(timing_.nudge_wait)) break;
      volume->SetMasterScalar(0.99f);
      if (!Wait(timing_.nudge_settle)) break;
      if (volume->GetMasterScalar(&scalar) != kSuccess) {
        lost = true;
        break;
      }
      const int percent = common::ScalarToPercent(scalar);
      Log(L"[quenta] volumn =%d\n", percent);
      settled = percent >= 97 && percent <= 99;
    }
    // Whatever ended the loop, the user's full volume comes back (unless the
    // endpoint went away).
    if (!lost) {
      Wait(timing_.nudge_restore);
      volume->SetMasterScalar(1.0f);
    }
  }
  nudge_busy_ = false;
  Log(L"[quenta] volumn monitor exit\n");
}

}  // namespace oro::audio_service
