#include "oro/common/apo_platform.h"

#include <filesystem>
#include <system_error>

#include "oro/common/hid_device.h"
#include "oro/common/hid_identity.h"
#include "oro/common/service_control.h"
#include "oro/platform/text.h"

namespace oro::common {

std::wstring ApoBackupFolder(const platform::StatePaths& paths) {
  if (paths.state_dir.empty()) return {};
  namespace fs = std::filesystem;
  const fs::path folder = fs::path(paths.state_dir) / "apo-backups";
  std::error_code ec;
  if (fs::create_directories(folder, ec)) {
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::replace, ec);
    if (ec) return {};
  }
  if (!fs::is_directory(folder, ec)) return {};
  return platform::FromUtf8(folder.string());
}

ApoEnvironment MakeApoEnvironment(platform::Platform& p, RegistryAccess& reg, const std::wstring& program_path) {
  ApoEnvironment env;
  env.reg = &reg;
  env.program_path = program_path;
  env.objects = p.objects.get();
  std::shared_ptr<platform::DebugOutput> debug = p.debug;
  if (debug) env.log = [debug](const std::wstring& line) { debug->Write(line); };
  env.files.folder = ApoBackupFolder(p.paths);
  env.files.warn = [debug](const std::wstring& text) {
    if (debug) debug->Write(L"[quenta]" + text);
  };
  if (p.hid) {
    std::shared_ptr<platform::HidBus> bus = p.hid;
    for (std::size_t i = 0; i < kSupportedDeviceCount; ++i) {
      HidIdentity id;
      if (!SupportedDeviceAt(i, &id)) break;
      env.supported.push_back({id.vendor_id, id.product_id, [bus, id] {
                                 HidDevice device(bus);
                                 return device.open(id.vendor_id, id.product_id, id.interface_number, id.report_id);
                               }});
    }
  }
  // A desktop's sound server runs the processing itself, put in and taken
  // out live; restarting it would only drop what was just put in. Where the
  // system's audio engine reads the slots (Windows), the tree is the
  // system's own and the audio service must restart to see them.
  const bool live = p.profile == platform::Profile::kHost && p.audio && p.audio->RunsProcessing();
  if (live) env.live_audio = p.audio.get();
  if (p.services && !live) {
    platform::ServiceManager* services = p.services.get();
    env.restart_audio_service = [services]() -> std::optional<std::wstring> {
      try {
        RestartServiceWithDependents(*services, apo::kAudioService);
        return std::nullopt;
      } catch (const ServiceException& e) {
        return e.Message();
      }
    };
  }
  if (p.modules) {
    platform::ModuleLoader* modules = p.modules.get();
    env.register_dll = [modules](const std::wstring& path, bool do_register) {
      return RegisterApoDll(*modules, path, do_register);
    };
  }
  if (p.dialogs) {
    platform::Dialogs* dialogs = p.dialogs.get();
    env.show_error = [dialogs](const std::wstring& text, const std::wstring& caption) {
      dialogs->ShowMessage(text, caption, platform::DialogIcon::kError);
    };
  }
  return env;
}

}  // namespace oro::common
