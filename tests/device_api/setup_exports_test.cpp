// init, unInit and getDeviceCount on the kit's simulated machine, with the
// headset and dongle served on the simulated HID bus in this process.
#include <stdlib.h>

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>

#include "oro/common/apo_keys.h"
#include "oro/common/device_apo_info.h"
#include "oro/common/property_blocks.h"
#include "oro/common/registry_access.h"
#include "oro/device_api/library_context.h"
#include "oro/platform/clock.h"
#include "oro/platform/make_platform.h"
#include "oro/platform/sim/sim_hid_bus.h"
#include "oro/platform/sim/sim_hid_host.h"
#include "oro/platform/sim/sim_services.h"
#include "oro/platform/text.h"
#include "oro/tools/sim/kit_hid_devices.h"
#include "oro/tools/sim/kit_machine.h"
#include "oro/tools/sim/kit_services.h"
#include "oro_ecd_api.h"
#include "temp_root.h"

namespace oro::test {
namespace {

namespace apo = common::apo;

class SetupExportsTest : public ::testing::Test {
 protected:
  SetupExportsTest() : host_(platform::sim::HidBusDir(root_.Path() + "/sim")) {
    tools::sim::AddKitMachineDevices(host_, platform::sim::HidBusDir(root_.Path() + "/sim"));
  }
  void SetUp() override {
    setenv("ORO_PLATFORM", "sim", 1);
    setenv("ORO_ROOT", root_.Path().c_str(), 1);
    platform_ = platform::MakePlatformFromEnvironment();
    platform::sim::SimMachine machine(*platform_.registry);
    ASSERT_EQ(tools::sim::CreateKitMachine(machine, L"/tmp/"), 0u);
    platform::sim::SimServices services(*platform_.registry, platform::SystemClock());
    ASSERT_EQ(tools::sim::CreateKitServices(services), 0u);
    ASSERT_EQ(host_.Start(), 0u);
    device_api::SetLibraryPlatform(platform_);
    reg_ = std::make_unique<common::RegistryAccess>(*platform_.registry, platform_.system.get());
  }
  void TearDown() override { host_.Stop(); }

  bool Installed(const std::wstring& alias) {
    platform::sim::SimMachine machine(*platform_.registry);
    platform::sim::SimEndpoint e;
    if (machine.Find(alias, &e)) return false;
    common::DeviceAPOInfo info(*reg_);
    return info.LoadEndpoint(e.info.id.substr(e.info.id.find(L"}.") + 2)) && info.IsInstalled();
  }

  // Every key and value under HKEY_LOCAL_MACHINE\SOFTWARE, as text.
  std::map<std::wstring, std::wstring> Snapshot(const std::wstring& key = L"HKEY_LOCAL_MACHINE\\SOFTWARE") {
    std::map<std::wstring, std::wstring> all;
    Collect(key, &all);
    return all;
  }
  void Collect(const std::wstring& key, std::map<std::wstring, std::wstring>* all) {
    (*all)[key + L"\\"] = L"(key)";
    for (const auto& v : reg_->EnumerateValues(key)) {
      std::wstring bytes;
      for (auto b : v.value.data) bytes += std::to_wstring(b) + L",";
      (*all)[key + L"\\" + v.name] = std::to_wstring(v.value.type) + L":" + bytes;
    }
    for (const auto& sub : reg_->EnumerateSubKeys(key)) Collect(key + L"\\" + sub, all);
  }

  TempRoot root_;
  platform::sim::SimHidHost host_;
  platform::Platform platform_;
  std::unique_ptr<common::RegistryAccess> reg_;
};

TEST_F(SetupExportsTest, DeviceCountCountsEachSupportedDeviceOnce) {
  EXPECT_EQ(getDeviceCount(), 2);
  EXPECT_NE(host_.Control("dongle unplug").rfind("error:", 0), 0u);
  EXPECT_EQ(getDeviceCount(), 1);
  EXPECT_NE(host_.Control("headset unplug").rfind("error:", 0), 0u);
  EXPECT_EQ(getDeviceCount(), 0);
}

TEST_F(SetupExportsTest, InitInstallsRecordsTheFolderAndCreatesTheBlocks) {
  EXPECT_EQ(init(), 0);
  for (const wchar_t* alias : {L"headset-render", L"headset-capture", L"dongle-render", L"dongle-capture"}) {
    EXPECT_TRUE(Installed(alias)) << platform::ToUtf8(alias);
  }
  EXPECT_FALSE(Installed(L"onboard-render"));
  std::wstring exe;
  ASSERT_EQ(platform_.processes->OwnExecutablePath(&exe), 0u);
  EXPECT_EQ(reg_->ReadString(apo::kKitKey, L"InstallPath"), exe.substr(0, exe.rfind(L'/')));
  for (const wchar_t* name : {common::kBlock1ValueName, common::kBlock2ValueName, common::kBlock3ValueName}) {
    EXPECT_TRUE(reg_->ValueExists(apo::kKitKey, name));
  }
  // The processing object beside the program registered its classes.
  EXPECT_TRUE(reg_->KeyExists(
      L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{7E473820-7159-4426-A7D7-123DD7EB697D}\\InprocServer32"));
}

TEST_F(SetupExportsTest, FailedAudioServiceRestartStillInstalls) {
  platform::sim::SimServices services(*platform_.registry, platform::SystemClock());
  platform::sim::SimService audio;
  ASSERT_EQ(services.Load(L"AudioSrv", &audio), 0u);
  audio.start_failure = platform::err::kAccessDenied;
  ASSERT_EQ(services.Configure(audio), 0u);
  EXPECT_EQ(init(), 0);  // init reports nothing; the endpoints are done all the same
  EXPECT_TRUE(Installed(L"headset-render"));
  EXPECT_TRUE(reg_->ValueExists(apo::kKitKey, L"InstallPath"));
}

TEST_F(SetupExportsTest, UnInitUndoesInitExceptWhatTheSystemKeeps) {
  reg_->CreateKey(apo::kKitKey);
  const auto before = Snapshot();
  ASSERT_EQ(init(), 0);
  ASSERT_EQ(unInit(), ORO_OK);
  auto after = Snapshot();
  // What stays: the capture interface paths, the processing modes and the
  // system-effects flag on the endpoints that had effect keys.
  for (auto it = after.begin(); it != after.end();) {
    const bool empty_classes_key = it->first.find(L"SOFTWARE\\Classes") != std::wstring::npos && it->second == L"(key)";
    const bool kept = empty_classes_key || it->first.find(apo::kPkeyCaptureInterface) != std::wstring::npos ||
                      (it->first.find(L"\\FxProperties\\") != std::wstring::npos &&
                       (it->first.find(apo::kStreamModes) != std::wstring::npos ||
                        it->first.find(apo::kEndpointModes) != std::wstring::npos ||
                        it->first.find(apo::kSysFxDisabled) != std::wstring::npos));
    if (kept && before.count(it->first) == 0) {
      it = after.erase(it);
    } else {
      ++it;
    }
  }
  EXPECT_EQ(after, before);
}

}  // namespace
}  // namespace oro::test
