// An installation environment over the adapters a process works with: the
// supported-device list tested on its HID bus, the audio service restarted
// through its service manager, the processing object loaded through its
// module loader, messages through its dialogs, the ".reg" copies in its state
// folder. Shared by the device library and the audio service.
#pragma once

#include <string>

#include "oro/common/apo_installer.h"
#include "oro/platform/platform.h"

namespace oro::common {

// `program_path` is the host program's executable. The returned environment
// refers to `platform` and `reg`, which must outlive it.
ApoEnvironment MakeApoEnvironment(platform::Platform& platform, RegistryAccess& reg, const std::wstring& program_path);

// Where the ".reg" copies go: "apo-backups" in the state folder, created
// owner-only when missing. Empty when the folder cannot be made.
std::wstring ApoBackupFolder(const platform::StatePaths& paths);

}  // namespace oro::common
