// Services of the service control manager. The manager's own codes pass
// through unchanged (they are the kit's codes), so a caller sees exactly what
// the manager said.
//
// Handles ask for the least the call needs: reading, starting and stopping a
// service never need the right to delete it, and creating one is the only
// call that needs more than a connection to the manager.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "oro/platform/windows/windows_adapters.h"

namespace oro::platform::windows_host {
namespace {

constexpr DWORD kServiceRights = SERVICE_QUERY_STATUS | SERVICE_START | SERVICE_STOP | SERVICE_ENUMERATE_DEPENDENTS;
// The manager refuses longer names.
constexpr std::size_t kMaxServiceName = 256;

struct ScHandleCloser {
  void operator()(SC_HANDLE h) const {
    if (h) CloseServiceHandle(h);
  }
};
using ScHandle = std::unique_ptr<std::remove_pointer_t<SC_HANDLE>, ScHandleCloser>;

ErrorCode LastError() {
  const DWORD e = GetLastError();
  return e ? static_cast<ErrorCode>(e) : err::kGenFailure;
}

// Names the manager cannot hold: it uses "\" and "/" itself.
bool IsValidName(const std::wstring& name) {
  if (name.empty() || name.size() > kMaxServiceName) return false;
  for (wchar_t c : name) {
    if (c < 0x20 || c == L'/' || c == L'\\') return false;
  }
  return true;
}

ErrorCode QueryState(SC_HANDLE service, std::uint32_t* state) {
  SERVICE_STATUS_PROCESS status = {};
  DWORD needed = 0;
  if (!QueryServiceStatusEx(service, SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&status), sizeof status,
                            &needed)) {
    return LastError();
  }
  *state = status.dwCurrentState;
  return err::kSuccess;
}

class ScmService final : public Service {
 public:
  ScmService(std::shared_ptr<std::remove_pointer_t<SC_HANDLE>> manager, ScHandle service, std::wstring name)
      : manager_(std::move(manager)), service_(std::move(service)), name_(std::move(name)) {}

  const std::wstring& Name() const override { return name_; }

  ErrorCode GetState(std::uint32_t* state) override {
    if (!state) return err::kInvalidParameter;
    return QueryState(service_.get(), state);
  }

  ErrorCode Start() override { return StartServiceW(service_.get(), 0, nullptr) ? err::kSuccess : LastError(); }

  ErrorCode Stop(std::uint32_t* state) override {
    SERVICE_STATUS status = {};
    if (!ControlService(service_.get(), SERVICE_CONTROL_STOP, &status)) return LastError();
    if (state) *state = status.dwCurrentState;
    return err::kSuccess;
  }

  // The manager lists dependents in the reverse of their start order, which
  // is the order they stop in: those further away come first.
  ErrorCode ActiveDependents(std::vector<std::wstring>* names) override {
    if (!names) return err::kInvalidParameter;
    names->clear();
    DWORD needed = 0, count = 0;
    if (EnumDependentServicesW(service_.get(), SERVICE_ACTIVE, nullptr, 0, &needed, &count)) return err::kSuccess;
    if (GetLastError() != ERROR_MORE_DATA) return LastError();
    // The list can grow between the two calls; ask again with the new size.
    for (int attempt = 0; attempt < 4; ++attempt) {
      std::vector<BYTE> buffer(needed);
      auto* entries = reinterpret_cast<ENUM_SERVICE_STATUSW*>(buffer.data());
      if (EnumDependentServicesW(service_.get(), SERVICE_ACTIVE, entries, needed, &needed, &count)) {
        for (DWORD i = 0; i < count; ++i) names->emplace_back(entries[i].lpServiceName);
        return err::kSuccess;
      }
      if (GetLastError() != ERROR_MORE_DATA) return LastError();
    }
    return err::kMoreData;
  }

  ErrorCode Delete() override {
    ScHandle service(OpenServiceW(manager_.get(), name_.c_str(), DELETE));
    if (!service) return LastError();
    return DeleteService(service.get()) ? err::kSuccess : LastError();
  }

 private:
  std::shared_ptr<std::remove_pointer_t<SC_HANDLE>> manager_;
  ScHandle service_;
  std::wstring name_;
};

class ScmServiceManager final : public ServiceManager {
 public:
  ErrorCode Connect() override {
    if (manager_) return err::kSuccess;
    SC_HANDLE h = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
    if (!h) return LastError();
    manager_.reset(h, ScHandleCloser());
    return err::kSuccess;
  }

  ErrorCode Open(const std::wstring& name, std::unique_ptr<Service>* out) override {
    if (!out) return err::kInvalidParameter;
    out->reset();
    if (!IsValidName(name)) return err::kInvalidName;
    if (ErrorCode rc = Connect()) return rc;
    ScHandle service(OpenServiceW(manager_.get(), name.c_str(), kServiceRights));
    if (!service) return LastError();
    *out = std::make_unique<ScmService>(manager_, std::move(service), name);
    return err::kSuccess;
  }

  // Own process, started with the system, under the local system account
  // (no account named), no group, tag or dependencies.
  ErrorCode Create(const ServiceConfig& config) override {
    if (!IsValidName(config.name)) return err::kInvalidName;
    if (config.binary_path.empty() || config.display_name.size() > kMaxServiceName) return err::kInvalidParameter;
    ScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT | SC_MANAGER_CREATE_SERVICE));
    if (!manager) return LastError();
    const std::wstring& display = config.display_name.empty() ? config.name : config.display_name;
    ScHandle service(CreateServiceW(manager.get(), config.name.c_str(), display.c_str(), SERVICE_QUERY_STATUS,
                                    SERVICE_WIN32_OWN_PROCESS, SERVICE_AUTO_START, SERVICE_ERROR_NORMAL,
                                    config.binary_path.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
    return service ? err::kSuccess : LastError();
  }

 private:
  std::shared_ptr<std::remove_pointer_t<SC_HANDLE>> manager_;
};

}  // namespace

std::unique_ptr<ServiceManager> MakeScmServiceManager() { return std::make_unique<ScmServiceManager>(); }

}  // namespace oro::platform::windows_host
