// Running the processing object's own registration entry points.
#include <cstdint>

#include "oro/common/apo_installer.h"

namespace oro::common {

bool RegisterApoDll(platform::ModuleLoader& modules, const std::wstring& path, bool do_register) {
  std::unique_ptr<platform::LoadedModule> module;
  if (modules.Load(path, &module) != platform::err::kSuccess || !module) return false;
  using EntryPoint = std::int32_t (*)();
  auto entry = reinterpret_cast<EntryPoint>(module->Symbol(do_register ? "DllRegisterServer" : "DllUnregisterServer"));
  if (!entry) return false;
  return entry() >= 0;  // success codes have the top bit clear
}

}  // namespace oro::common
