// The panel's preferences over a real settings store: defaults before the
// kit's key exists, wrong types, the language byte and the locale.
#include <gtest/gtest.h>

#include "oro/common/registry_access.h"
#include "oro/platform/make_platform.h"
#include "oro/platform/sim/sim_machine.h"
#include "panel_settings.h"
#include "temp_root.h"

namespace oro::test {
namespace {

class PanelSettingsTest : public ::testing::Test {
 protected:
  PanelSettingsTest()
      : platform_(platform::MakePlatform(platform::Profile::kSim, platform::ResolveStatePaths(root_.Path().c_str()))),
        reg_(*platform_.registry),
        settings_(*platform_.registry, platform_.system.get()) {}

  void Put(const wchar_t* name, std::uint32_t type, std::vector<std::uint8_t> bytes) {
    reg_.CreateKey(panel::kKitKey);
    reg_.WriteValue(panel::kKitKey, name, type, bytes);
  }

  TempRoot root_;
  platform::Platform platform_;
  common::RegistryAccess reg_;
  panel::PanelSettings settings_;
};

TEST_F(PanelSettingsTest, FreshMachineReadsEveryDefaultWithoutTheKitsKey) {
  ASSERT_FALSE(reg_.KeyExists(panel::kKitKey));
  EXPECT_EQ(settings_.exitCmd(), 0u);
  EXPECT_FALSE(settings_.EnableAllDev().has_value());
  EXPECT_FALSE(settings_.ExitPollDisabled());
  EXPECT_TRUE(settings_.isAddSysicon());
  EXPECT_FALSE(settings_.isStartShow());
  EXPECT_EQ(settings_.language(), 1);  // locale 1033
  EXPECT_FALSE(settings_.vol_locked());
  EXPECT_EQ(settings_.DisplayName(), L"OroSound Kit");
  // Writing creates the key.
  EXPECT_TRUE(settings_.SetStartShow(true));
  EXPECT_EQ(reg_.ReadDword(panel::kKitKey, L"isStartShow"), 1u);
  EXPECT_TRUE(settings_.EnsureUserKey());
  EXPECT_TRUE(reg_.KeyExists(panel::kUserKitKey));
}

TEST_F(PanelSettingsTest, ChineseLocaleChoosesChineseUntilALanguageIsStored) {
  platform::sim::SimMachine(*platform_.registry).SetLocaleId(2052);
  EXPECT_EQ(settings_.language(), 0);
  settings_.SetLanguage(1);
  EXPECT_EQ(settings_.language(), 1);
  // Only the low byte counts.
  reg_.WriteDword(panel::kKitKey, L"language", 0x1C8);
  EXPECT_EQ(settings_.language(), 0xC8);
}

TEST_F(PanelSettingsTest, ValuesOfTheWrongTypeOrSizeReadAsTheirDefaults) {
  Put(L"isAddSysicon", platform::regtype::kSz, {'0', 0, 0, 0});
  Put(L"isStartShow", platform::regtype::kDword, {1, 0});  // two bytes only
  Put(L"language", platform::regtype::kBinary, {0, 0, 0, 0});
  Put(L"vol_locked", platform::regtype::kQword, {1, 0, 0, 0, 0, 0, 0, 0});
  Put(L"DisplayName", platform::regtype::kDword, {1, 0, 0, 0});
  Put(L"exitCmd", platform::regtype::kSz, {'1', 0, 0, 0});
  Put(L"EnableAllDev", platform::regtype::kDword, {1, 0, 0, 0});
  EXPECT_TRUE(settings_.isAddSysicon());
  EXPECT_FALSE(settings_.isStartShow());
  EXPECT_EQ(settings_.language(), 1);
  EXPECT_FALSE(settings_.vol_locked());
  EXPECT_EQ(settings_.DisplayName(), L"OroSound Kit");
  EXPECT_EQ(settings_.exitCmd(), 0u);
  EXPECT_FALSE(settings_.ExitPollDisabled());
}

TEST_F(PanelSettingsTest, FlagsAreWrittenAsZeroOrOneDwords) {
  settings_.SetAddSysicon(false);
  settings_.SetVolLocked(true);
  settings_.SetExitCmd(1);
  EXPECT_EQ(reg_.ReadValue(panel::kKitKey, L"isAddSysicon").type, platform::regtype::kDword);
  EXPECT_EQ(reg_.ReadDword(panel::kKitKey, L"isAddSysicon"), 0u);
  EXPECT_EQ(reg_.ReadDword(panel::kKitKey, L"vol_locked"), 1u);
  EXPECT_FALSE(settings_.isAddSysicon());
  EXPECT_TRUE(settings_.vol_locked());
  EXPECT_EQ(settings_.exitCmd(), 1u);
}

TEST_F(PanelSettingsTest, AnUnopenableStoreGivesDefaultsAndRefusedWrites) {
  // A store file that is not a database.
  TempRoot other;
  {
    std::FILE* f = std::fopen((other.Path() + "/registry.db").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("this is not a settings store, just some text long enough to be read as a header......", f);
    std::fclose(f);
  }
  auto broken = platform::MakePlatform(platform::Profile::kSim, platform::ResolveStatePaths(other.Path().c_str()));
  panel::PanelSettings settings(*broken.registry, nullptr);
  EXPECT_TRUE(settings.isAddSysicon());
  EXPECT_EQ(settings.language(), 1);
  EXPECT_EQ(settings.DisplayName(), L"OroSound Kit");
  EXPECT_FALSE(settings.SetStartShow(true));
  EXPECT_FALSE(settings.PersistBlocks({}, {}, {}));
}

}  // namespace
}  // namespace oro::test
