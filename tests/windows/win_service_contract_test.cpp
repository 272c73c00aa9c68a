// The service control manager's adapters run the ports' contracts against
// the real manager (Wine's here): the manager's services are instances of
// win_contract_service.exe, and the host's case runs in a copy of this
// program the manager starts as the service "OroContract".
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "oro/platform/text.h"
#include "oro/platform/windows/windows_adapters.h"
#include "service_host_contract.h"
#include "service_manager_contract.h"

namespace oro::platform {
namespace {

namespace w = windows_host;

// Set by main() in the copy the manager started.
bool g_service_child = false;

struct ScHandleCloser {
  void operator()(SC_HANDLE h) const {
    if (h) CloseServiceHandle(h);
  }
};
using ScHandle = std::unique_ptr<std::remove_pointer_t<SC_HANDLE>, ScHandleCloser>;

std::wstring OwnPath() {
  wchar_t buf[MAX_PATH * 2];
  const DWORD n = GetModuleFileNameW(nullptr, buf, MAX_PATH * 2);
  return std::wstring(buf, n);
}

std::wstring BesideSelf(const std::wstring& file) {
  std::wstring self = OwnPath();
  return self.substr(0, self.find_last_of(L'\\') + 1) + file;
}

// Stops a service of an earlier run and removes it, so each case starts from
// nothing: a service that still runs is only marked for deletion.
void Remove(const std::wstring& name) {
  auto manager = w::MakeScmServiceManager();
  std::unique_ptr<Service> s;
  if (manager->Open(name, &s) != err::kSuccess) return;
  std::uint32_t state = 0;
  s->Stop(&state);
  for (int i = 0; i < 500 && s->GetState(&state) == err::kSuccess && state != svcstate::kStopped; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  const ErrorCode rc = s->Delete();
  EXPECT_TRUE(rc == err::kSuccess || rc == err::kServiceMarkedForDelete) << "cannot remove the service: " << rc;
  s.reset();
  // The manager lets go of a deleted service once its process has closed its
  // own handle to it; until then the name cannot be used again.
  for (int i = 0; i < 500 && manager->Open(name, &s) == err::kSuccess; ++i) {
    s.reset();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(manager->Open(name, &s), err::kServiceDoesNotExist) << "the service of an earlier case stays";
}

void Skip(const char* why) { GTEST_SKIP() << why; }

// Services with dependencies take the manager's own call: the port registers
// only the kit's service, which has none.
void CreateWithDependency(SC_HANDLE manager, const std::wstring& name, const std::wstring& depends_on) {
  const std::wstring command = L"\"" + BesideSelf(L"win_contract_service.exe") + L"\" " + name;
  std::wstring deps = depends_on;
  deps.push_back(L'\0');  // a list of strings, ended by an empty one
  ScHandle s(CreateServiceW(manager, name.c_str(), name.c_str(), SERVICE_ALL_ACCESS, SERVICE_WIN32_OWN_PROCESS,
                            SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL, command.c_str(), nullptr, nullptr,
                            depends_on.empty() ? nullptr : deps.c_str(), nullptr, nullptr));
  EXPECT_TRUE(s) << "CreateServiceW failed: " << GetLastError();
}

struct ScmServices {
  static std::unique_ptr<ServiceManager> Make(const test::TempRoot&) {
    for (const wchar_t* name : {L"OroTop", L"OroMid", L"OroBase"}) Remove(name);
    ScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
    EXPECT_TRUE(manager);
    if (!manager) return nullptr;
    CreateWithDependency(manager.get(), L"OroBase", L"");
    CreateWithDependency(manager.get(), L"OroMid", L"OroBase");
    CreateWithDependency(manager.get(), L"OroTop", L"OroMid");
    const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    if (test == "RunningDependentsAreListedFurthestFirst") {
      ScHandle base(OpenServiceW(manager.get(), L"OroBase", SERVICE_ENUMERATE_DEPENDENTS));
      DWORD needed = 0, count = 0;
      if (base && EnumDependentServicesW(base.get(), SERVICE_STATE_ALL, nullptr, 0, &needed, &count)) {
        Skip("this service control manager records no dependencies (Wine does not implement them)");
        return nullptr;
      }
    }
    return w::MakeScmServiceManager();
  }
};

class ScmServicesCleanup : public ::testing::Environment {
 public:
  void TearDown() override {
    if (g_service_child) return;
    for (const wchar_t* name : {L"OroTop", L"OroMid", L"OroBase", L"OroCreated", contract::kContractService}) {
      Remove(name);
    }
  }
};
const auto* const g_cleanup = ::testing::AddGlobalTestEnvironment(new ScmServicesCleanup);

// What the manager makes of the reports: its state read back after each one.
class ObservedHost final : public ServiceHost {
 public:
  ObservedHost(std::unique_ptr<ServiceHost> inner, std::vector<std::uint32_t>* seen)
      : inner_(std::move(inner)), seen_(seen) {}
  ErrorCode RunDispatcher(const std::wstring& name, const std::function<void()>& main) override {
    return inner_->RunDispatcher(name, main);
  }
  ErrorCode RegisterHandler(ControlHandler handler) override { return inner_->RegisterHandler(std::move(handler)); }
  ErrorCode ReportStatus(const ServiceStatus& status) override {
    const ErrorCode rc = inner_->ReportStatus(status);
    ScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    ScHandle service(manager ? OpenServiceW(manager.get(), contract::kContractService, SERVICE_QUERY_STATUS) : nullptr);
    SERVICE_STATUS_PROCESS st = {};
    DWORD needed = 0;
    if (service &&
        QueryServiceStatusEx(service.get(), SC_STATUS_PROCESS_INFO, reinterpret_cast<BYTE*>(&st), sizeof st, &needed)) {
      seen_->push_back(st.dwCurrentState);
    } else {
      ADD_FAILURE() << "cannot read the service's state back: " << GetLastError();
    }
    return rc;
  }

 private:
  std::unique_ptr<ServiceHost> inner_;
  std::vector<std::uint32_t>* seen_;
};

class ScmHost {
 public:
  explicit ScmHost(const test::TempRoot& root) : root_(root) {}

  std::unique_ptr<ServiceHost> Make() { return std::make_unique<ObservedHost>(w::MakeScmServiceHost(), &seen_); }
  // A process the manager did not start is one started by hand already.
  void Unmark() {}
  ErrorCode SendStop() {
    ScHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    ScHandle service(manager ? OpenServiceW(manager.get(), contract::kContractService, SERVICE_STOP) : nullptr);
    SERVICE_STATUS st = {};
    if (!service || !ControlService(service.get(), SERVICE_CONTROL_STOP, &st)) return GetLastError();
    return err::kSuccess;
  }
  std::vector<std::uint32_t> ReportedStates() { return seen_; }

  // Registers this program as "OroContract" running the current case alone,
  // starts it, and reports what that run printed when it failed.
  bool RanInServiceProcess() {
    if (g_service_child) return false;
    Remove(contract::kContractService);
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string filter = std::string(info->test_suite_name()) + "." + info->name();
    const std::wstring result = FromUtf8(root_.Path()) + L"/result";
    const std::wstring command =
        L"\"" + OwnPath() + L"\" --oro-service-child \"" + result + L"\" --gtest_filter=" + FromUtf8(filter);
    ServiceConfig config{contract::kContractService, contract::kContractService, command};
    auto manager = w::MakeScmServiceManager();
    EXPECT_EQ(manager->Create(config), err::kSuccess);
    std::unique_ptr<Service> service;
    EXPECT_EQ(manager->Open(contract::kContractService, &service), err::kSuccess);
    if (!service) return true;
    EXPECT_EQ(service->Start(), err::kSuccess);
    service.reset();
    manager.reset();
    // The copy writes its exit code last, once its report is complete.
    std::string rc_text;
    for (int i = 0; i < 600 && rc_text.find('\n') == std::string::npos; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      std::ifstream in(ToUtf8(result) + ".rc");
      std::getline(in, rc_text, '\0');
    }
    std::ifstream report(ToUtf8(result) + ".xml");
    std::stringstream text;
    text << report.rdbuf();
    EXPECT_EQ(rc_text, "0\n") << "the case as the service:\n" << text.str();
    EXPECT_NE(text.str().find("tests=\"1\" failures=\"0\""), std::string::npos) << text.str();
    Remove(contract::kContractService);
    return true;
  }

 private:
  const test::TempRoot& root_;
  std::vector<std::uint32_t> seen_;
};

using namespace contract;  // NOLINT: the suites' registration names live there
INSTANTIATE_TYPED_TEST_SUITE_P(Scm, ServiceManagerContract, ScmServices);
INSTANTIATE_TYPED_TEST_SUITE_P(Scm, ServiceHostContract, ScmHost);

TEST(ScmServiceManager, CreateRefusesTakenAndBadNamesAndDeleteRemovesTheService) {
  if (g_service_child) GTEST_SKIP() << "runs in the program started by hand";
  Remove(L"OroCreated");
  auto manager = w::MakeScmServiceManager();
  ASSERT_EQ(manager->Connect(), err::kSuccess);
  ServiceConfig config{L"OroCreated", L"Oro created", L"\"" + BesideSelf(L"win_contract_service.exe") + L"\" x"};
  ASSERT_EQ(manager->Create(config), err::kSuccess);
  EXPECT_EQ(manager->Create(config), err::kServiceExists);
  config.name = L"Oro\\Created";
  EXPECT_EQ(manager->Create(config), err::kInvalidName);
  config.name = L"";
  EXPECT_EQ(manager->Create(config), err::kInvalidName);

  std::unique_ptr<Service> s;
  ASSERT_EQ(manager->Open(L"OroCreated", &s), err::kSuccess);
  std::uint32_t state = 0;
  EXPECT_EQ(s->GetState(&state), err::kSuccess);
  EXPECT_EQ(state, svcstate::kStopped);
  // Registered to start with the system, as its own process.
  ScHandle scm(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
  ScHandle raw(OpenServiceW(scm.get(), L"OroCreated", SERVICE_QUERY_CONFIG));
  ASSERT_TRUE(raw);
  DWORD needed = 0;
  QueryServiceConfigW(raw.get(), nullptr, 0, &needed);
  std::vector<BYTE> buf(needed);
  auto* qc = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buf.data());
  ASSERT_TRUE(QueryServiceConfigW(raw.get(), qc, needed, &needed)) << GetLastError();
  EXPECT_EQ(qc->dwStartType, static_cast<DWORD>(SERVICE_AUTO_START));
  EXPECT_EQ(qc->dwServiceType, static_cast<DWORD>(SERVICE_WIN32_OWN_PROCESS));
  EXPECT_EQ(std::wstring(qc->lpDisplayName), L"Oro created");
  EXPECT_EQ(std::wstring(qc->lpBinaryPathName), config.binary_path);
  raw.reset();

  EXPECT_EQ(s->Delete(), err::kSuccess);
  s.reset();
  EXPECT_EQ(manager->Open(L"OroCreated", &s), err::kServiceDoesNotExist);
}

}  // namespace
}  // namespace oro::platform

// The copy the manager starts runs one case with its report in a file and
// its exit code in another, written last.
int main(int argc, char** argv) {
  std::string result, output;
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    if (std::string(argv[i]) == "--oro-service-child" && i + 1 < argc) {
      result = argv[++i];
      continue;
    }
    args.push_back(argv[i]);
  }
  if (!result.empty()) {
    oro::platform::g_service_child = true;
    // Its report goes to a file: a service has no console (and replacing
    // its standard output blocks under Wine).
    output = "--gtest_output=xml:" + result + ".xml";
    args.push_back(output.data());
  }
  int n = static_cast<int>(args.size());
  ::testing::InitGoogleTest(&n, args.data());
  if (!result.empty()) {
    auto& listeners = ::testing::UnitTest::GetInstance()->listeners();
    delete listeners.Release(listeners.default_result_printer());
  }
  int rc = RUN_ALL_TESTS();
  const auto* unit = ::testing::UnitTest::GetInstance();
  if (rc == 0 && unit->test_to_run_count() > 0 && unit->skipped_test_count() == unit->test_to_run_count()) rc = 77;
  if (!result.empty()) {
    std::ofstream((result + ".rc").c_str()) << rc << "\n";
  }
  return rc;
}
