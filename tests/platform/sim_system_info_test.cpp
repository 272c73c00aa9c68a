// System information of the simulated machine, and the host rules it falls
// back on where the machine says nothing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "oro/platform/linux/host_adapters.h"
#include "oro/platform/sim/sim_adapters.h"
#include "oro/platform/sim/sim_machine.h"
#include "oro/platform/sqlite/sqlite_registry_store.h"
#include "oro/tools/sim/kit_machine.h"
#include "temp_root.h"

namespace oro::platform {
namespace {

// Sets (or with null, clears) an environment variable for one scope.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const char* value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

std::uint32_t HostLocale(const char* lc_all, const char* lc_messages, const char* lang) {
  ScopedEnv a("LC_ALL", lc_all), m("LC_MESSAGES", lc_messages), l("LANG", lang);
  return linux_host::MakeLinuxSystemInfo()->DefaultLocaleId();
}

TEST(HostSystemInfo, LocaleIdFollowsTheFirstLocaleVariableSet) {
  EXPECT_EQ(HostLocale(nullptr, nullptr, "zh_CN.UTF-8"), 2052u);
  EXPECT_EQ(HostLocale(nullptr, nullptr, "zh_TW.UTF-8"), 1028u);
  EXPECT_EQ(HostLocale(nullptr, nullptr, "en_US.UTF-8"), 1033u);
  EXPECT_EQ(HostLocale(nullptr, nullptr, "de_AT.UTF-8@euro"), 3079u);
  EXPECT_EQ(HostLocale("zh_CN.UTF-8", "en_GB.UTF-8", "de_DE.UTF-8"), 2052u);
  EXPECT_EQ(HostLocale("", "en_GB.UTF-8", "zh_CN.UTF-8"), 2057u);
  // Unknown territory: the language's main locale; unknown language: US English.
  EXPECT_EQ(HostLocale(nullptr, nullptr, "fr_SN.UTF-8"), 1036u);
  EXPECT_EQ(HostLocale(nullptr, nullptr, "xx_YY.UTF-8"), 1033u);
  EXPECT_EQ(HostLocale("C", nullptr, "zh_CN.UTF-8"), 1033u);
  EXPECT_EQ(HostLocale(nullptr, nullptr, "POSIX"), 1033u);
  EXPECT_EQ(HostLocale(nullptr, nullptr, nullptr), 1033u);
}

TEST(HostSystemInfo, TempFolderEndsWithASeparator) {
  {
    ScopedEnv t("TMPDIR", "/var/tmp/kit");
    EXPECT_EQ(linux_host::MakeLinuxSystemInfo()->TempFolder(), L"/var/tmp/kit/");
  }
  {
    ScopedEnv t("TMPDIR", "/var/tmp/kit/");
    EXPECT_EQ(linux_host::MakeLinuxSystemInfo()->TempFolder(), L"/var/tmp/kit/");
  }
  {
    ScopedEnv t("TMPDIR", nullptr);
    EXPECT_EQ(linux_host::MakeLinuxSystemInfo()->TempFolder(), L"/tmp/");
  }
  EXPECT_EQ(linux_host::MakeLinuxSystemInfo()->OsVersion(), 0x000A0000u);
}

class SimSystem : public ::testing::Test {
 protected:
  oro::test::TempRoot root_;
  std::shared_ptr<sqlite::SqliteRegistryStore> store_ =
      std::make_shared<sqlite::SqliteRegistryStore>(root_.RegistryDb());
  sim::SimMachine machine_{*store_};
  std::unique_ptr<SystemInfo> info_ = sim::MakeSimSystemInfo(store_);
};

TEST_F(SimSystem, EmptyMachineReportsTheDefaults) {
  ScopedEnv t("TMPDIR", "/scratch");
  ScopedEnv l("LANG", "zh_CN.UTF-8");
  EXPECT_EQ(info_->OsVersion(), 0x000A0000u);
  EXPECT_EQ(info_->DefaultLocaleId(), 1033u) << "the simulated machine must not follow the host's locale";
  EXPECT_EQ(info_->TempFolder(), L"/scratch/");
  EXPECT_FALSE(machine_.Exists());
}

TEST_F(SimSystem, SettingsAreReadFromTheStoreOnEveryCall) {
  ASSERT_EQ(tools::sim::CreateKitMachine(machine_, L"/state/sim/tmp"), err::kSuccess);
  EXPECT_TRUE(machine_.Exists());
  EXPECT_EQ(info_->TempFolder(), L"/state/sim/tmp/");
  ASSERT_EQ(machine_.SetOsVersion(6u << 16 | 1u), err::kSuccess);
  ASSERT_EQ(machine_.SetLocaleId(2052), err::kSuccess);
  EXPECT_EQ(info_->OsVersion(), 0x00060001u);
  EXPECT_EQ(info_->DefaultLocaleId(), 2052u);

  // Clearing the machine takes its settings with it, and only its own keys.
  KeyHandle kit;
  ASSERT_EQ(
      store_->CreateKey(RootKey::kLocalMachine, L"SOFTWARE\\OroSoundKit", keyaccess::kRead, nullptr, &kit, nullptr),
      err::kSuccess);
  ASSERT_EQ(machine_.Clear(), err::kSuccess);
  EXPECT_FALSE(machine_.Exists());
  EXPECT_EQ(info_->OsVersion(), 0x000A0000u);
  EXPECT_EQ(store_->OpenKey(RootKey::kLocalMachine, L"SOFTWARE\\OroSoundKit", keyaccess::kRead, &kit), err::kSuccess);
}

}  // namespace
}  // namespace oro::platform
