// The simulated machine's service manager: every call goes to the services
// in the store, so oro-sim and the kit in other processes see one state.
#include <memory>
#include <utility>

#include "oro/platform/sim/sim_adapters.h"
#include "oro/platform/sim/sim_services.h"
#include "store_values.h"

namespace oro::platform::sim {
namespace {

using StorePtr = std::shared_ptr<RegistryStore>;

constexpr const wchar_t* kImagePath = L"ImagePath";
constexpr const wchar_t* kDisplayName = L"DisplayName";

class SimServiceHandle final : public Service {
 public:
  SimServiceHandle(StorePtr store, Clock& clock, const std::string& state_dir, std::wstring name)
      : store_(std::move(store)), services_(*store_, clock, state_dir), name_(std::move(name)) {}

  const std::wstring& Name() const override { return name_; }
  ErrorCode GetState(std::uint32_t* state) override { return services_.GetState(name_, state); }
  ErrorCode Start() override { return services_.Start(name_); }
  ErrorCode Stop(std::uint32_t* state) override { return services_.Stop(name_, state); }
  ErrorCode ActiveDependents(std::vector<std::wstring>* names) override {
    return services_.ActiveDependents(name_, names);
  }
  ErrorCode Delete() override { return services_.Remove(name_); }

 private:
  StorePtr store_;
  SimServices services_;
  std::wstring name_;
};

class SimServiceManager final : public ServiceManager {
 public:
  SimServiceManager(StorePtr store, Clock& clock, std::string state_dir)
      : store_(std::move(store)), clock_(clock), state_dir_(std::move(state_dir)) {}

  ErrorCode Connect() override {
    KeyHandle h;
    const ErrorCode rc = store_->OpenKey(RootKey::kLocalMachine, L"SYSTEM", keyaccess::kRead, &h);
    return rc == err::kSuccess || rc == err::kFileNotFound ? err::kSuccess : rc;
  }

  ErrorCode Open(const std::wstring& name, std::unique_ptr<Service>* out) override {
    if (!SimServices::ValidName(name)) return err::kInvalidName;
    SimServices services(*store_, clock_);
    std::uint32_t state = 0;
    if (ErrorCode rc = services.GetState(name, &state)) return rc;
    *out = std::make_unique<SimServiceHandle>(store_, clock_, state_dir_, name);
    return err::kSuccess;
  }

  ErrorCode Create(const ServiceConfig& config) override {
    if (!SimServices::ValidName(config.name)) return err::kInvalidName;
    SimServices services(*store_, clock_);
    SimService entry;
    entry.name = config.name;
    if (ErrorCode rc = services.Add(entry)) return rc;
    const std::wstring key = std::wstring(kServicesKey) + L"\\" + config.name;
    ErrorCode rc = WriteString(*store_, key, kImagePath, config.binary_path);
    if (!rc) rc = WriteString(*store_, key, kDisplayName, config.display_name);
    // A half-written entry would block the next attempt with "exists".
    if (rc) services.Remove(config.name);
    return rc;
  }

 private:
  StorePtr store_;
  Clock& clock_;
  std::string state_dir_;
};

}  // namespace

std::unique_ptr<ServiceManager> MakeSimServiceManager(std::shared_ptr<RegistryStore> store, Clock& clock,
                                                      std::string state_dir) {
  return std::make_unique<SimServiceManager>(std::move(store), clock, std::move(state_dir));
}

}  // namespace oro::platform::sim
