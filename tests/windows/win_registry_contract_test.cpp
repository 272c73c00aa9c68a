// The registry contract on the system's registry (advapi32, under Wine here).
#include "registry_store_contract.h"
#include "windows_registry_fixture.h"

namespace {

using oro::platform::Caller;
using oro::platform::RegistryStore;

struct WindowsStore {
  // The system decides who calls: the process's token, whatever `caller` says.
  static std::unique_ptr<RegistryStore> Open(const oro::test::TempRoot& root, const Caller*) {
    return oro::test::OpenTestRegistry(root);
  }
  static std::string NoSecondAccount() {
    return "the system's registry answers to the process's own token, and a test program cannot log on as a "
           "second, non-administrator account (Wine has one user only)";
  }
  static std::string NoInheritance() {
    if (oro::platform::windows_host::WineVersion().empty()) return {};
    return "Wine gives every new key its fixed default access list; it does not inherit the parent's entries";
  }
  static std::string NoAdministratorOverride() {
    if (oro::platform::windows_host::WineVersion().empty()) return {};
    return "Wine grants no rights for the backup, restore and take-ownership privileges, so an administrator is "
           "held to a key's access list there";
  }
};

}  // namespace

using namespace oro::platform::contract;
INSTANTIATE_TYPED_TEST_SUITE_P(Windows, RegistryStoreContract, WindowsStore);
INSTANTIATE_TYPED_TEST_SUITE_P(Windows, RegistryStoreSecurityContract, WindowsStore);
