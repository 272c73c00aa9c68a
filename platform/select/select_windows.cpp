// The Windows build has one set of adapters, the system's own; the simulated
// machine keeps its state in the SQLite store, which this build has not.
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include "oro/platform/console_dialogs.h"
#include "oro/platform/make_platform.h"
#include "oro/platform/windows/windows_adapters.h"

namespace oro::platform {
namespace {

template <typename Port>
std::shared_ptr<Port> Required(std::unique_ptr<Port> port, const char* what) {
  if (!port) throw std::runtime_error(std::string("the Windows build has no adapter for ") + what + " yet");
  return std::shared_ptr<Port>(std::move(port));
}

// The machine's own state folder uses the kit's object names as they are;
// another (ORO_ROOT) keeps its objects apart from it and from each other.
std::string ObjectScope(const StatePaths& paths) {
  return paths.run_dir == ResolveStatePaths(nullptr).run_dir ? std::string() : paths.run_dir;
}

// A box only where somebody can answer it: a service's window station is
// never visible, and ORO_DIALOGS=console keeps a program (a test, a script)
// from ever waiting for a click.
std::shared_ptr<Dialogs> ChooseDialogs(const std::shared_ptr<DebugOutput>& debug) {
  if (ConsoleDialogsRequested() || !windows_host::OnVisibleWindowStation()) return MakeConsoleDialogs(debug);
  return windows_host::MakeMessageBoxDialogs(debug);
}

}  // namespace

Platform MakePlatform(Profile profile, const StatePaths& paths) {
  if (profile != Profile::kHost) {
    throw std::invalid_argument("ORO_PLATFORM=sim is not available in the Windows build; use host");
  }
  namespace w = windows_host;
  Platform p;
  p.profile = profile;
  p.paths = paths;
  p.registry = Required(w::MakeWindowsRegistryStore(), "the registry");
  p.debug = w::MakeDebugStringOutput();
  p.objects = Required(w::MakeWindowsNamedObjects(ObjectScope(paths)), "named objects");
  p.dialogs = ChooseDialogs(p.debug);
  p.modules = w::MakeWindowsModuleLoader();
  p.audio = Required(w::MakeCoreAudioSystem(), "audio endpoints");
  p.system = w::MakeWindowsSystemInfo();
  p.hid = Required(w::MakeSetupApiHidBus(), "HID devices");
  p.processes = Required(w::MakeToolhelpProcessTable(), "processes");
  p.services = Required(w::MakeScmServiceManager(), "services");
  p.service_host = Required(w::MakeScmServiceHost(), "the service host");
  return p;
}

std::unique_ptr<RegistryStore> MakeRegistryStore(Profile profile, const StatePaths&) {
  if (profile != Profile::kHost) {
    throw std::invalid_argument("ORO_PLATFORM=sim is not available in the Windows build; use host");
  }
  return windows_host::MakeWindowsRegistryStore();
}

std::unique_ptr<NamedObjects> MakeNamedObjects(const StatePaths& paths) {
  return windows_host::MakeWindowsNamedObjects(ObjectScope(paths));
}

}  // namespace oro::platform
