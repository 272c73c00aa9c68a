#include <memory>
#include <utility>

#include "oro/platform/sim/sim_adapters.h"
#include "oro/platform/sim/sim_machine.h"

namespace oro::platform::sim {
namespace {

class SimSystemInfo final : public SystemInfo {
 public:
  explicit SimSystemInfo(std::shared_ptr<RegistryStore> store) : store_(std::move(store)) {}

  std::uint32_t DefaultLocaleId() override { return SimMachine(*store_).LocaleId(); }
  std::wstring TempFolder() override { return SimMachine(*store_).TempFolder(); }
  std::uint32_t OsVersion() override { return SimMachine(*store_).OsVersion(); }

 private:
  std::shared_ptr<RegistryStore> store_;
};

}  // namespace

std::unique_ptr<SystemInfo> MakeSimSystemInfo(std::shared_ptr<RegistryStore> store) {
  return std::make_unique<SimSystemInfo>(std::move(store));
}

}  // namespace oro::platform::sim
