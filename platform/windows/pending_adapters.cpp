// Adapters of the Windows build still being written: each factory here
// returns null, and MakePlatform refuses to hand out a platform that lacks
// one (see select_windows.cpp), so nothing runs half-equipped. Each moves to
// its own file when its adapter lands.
#include "oro/platform/windows/windows_adapters.h"

namespace oro::platform::windows_host {

std::unique_ptr<HidBus> MakeSetupApiHidBus() { return nullptr; }

}  // namespace oro::platform::windows_host
