// Installation over sets of endpoints: which endpoints change, when the
// processing object is registered and the audio service restarted, and what
// a failure on the way gives.
#include "apo_fixture.h"
#include "oro/platform/install_layout.h"
#include "oro/platform/text.h"

namespace oro::test {
namespace {

namespace apo = common::apo;
using common::ApoFlow;
using tools::sim::kDongleCapture;
using tools::sim::kDongleRender;
using tools::sim::kHeadsetCapture;
using tools::sim::kHeadsetRender;
using tools::sim::kOnboardCapture;
using tools::sim::kOnboardRender;

constexpr const wchar_t* kKitEndpoints[] = {kHeadsetRender, kHeadsetCapture, kDongleRender, kDongleCapture};

class ApoInstallerTest : public ApoTestBase {
 protected:
  void SetUp() override {
    MakeMachine(0x000A0000);
    env_.reg = reg_.get();
    env_.program_path = L"/opt/orosound/bin/oro_panel";
    env_.objects = platform_.objects.get();
    env_.register_dll = [this](const std::wstring& path, bool do_register) {
      calls_.push_back((do_register ? L"register " : L"unregister ") + path);
      return true;
    };
    env_.restart_audio_service = [this]() -> std::optional<std::wstring> {
      calls_.push_back(L"restart");
      return restart_failure_;
    };
    env_.show_error = [this](const std::wstring& text, const std::wstring& caption) {
      calls_.push_back(L"message " + caption + L": " + text);
    };
    env_.log = [this](const std::wstring& line) { log_.push_back(line); };
    for (std::uint32_t product : {0xF779u, 0xF778u}) {
      env_.supported.push_back({0x040B, product, [this, product] { return connected_.count(product) > 0; }});
    }
    env_.supported.resize(24);  // the rest of the list is empty
  }

  bool Installed(const wchar_t* alias) {
    common::DeviceAPOInfo info(*reg_);
    return info.LoadEndpoint(Id(alias)) && info.IsInstalled();
  }

  int Install() { return common::InstallOnSupportedDevices(env_, ApoFlow::kCapture, true, true, true); }
  int Remove() { return common::InstallOnSupportedDevices(env_, ApoFlow::kCapture, false, true, true); }

  common::ApoEnvironment env_;
  std::set<std::uint32_t> connected_ = {0xF779, 0xF778};
  std::optional<std::wstring> restart_failure_;
  std::vector<std::wstring> calls_;
  std::vector<std::wstring> log_;
};

TEST_F(ApoInstallerTest, SupportedDevicesAreInstalledOnceAndRemovedCompletely) {
  const auto onboard = Raw(Fx(kOnboardRender));
  const auto onboard_capture = Raw(Fx(kOnboardCapture));
  EXPECT_EQ(Install(), 4);
  EXPECT_EQ(calls_, (std::vector<std::wstring>{L"register /opt/orosound/bin/OroSoundAPO.so", L"restart"}));
  for (const wchar_t* alias : kKitEndpoints) {
    EXPECT_TRUE(Installed(alias)) << alias;
    EXPECT_EQ(Dump(*reg_, Fx(alias))[apo::kSysFxDisabled], L"DWORD:0") << alias;
  }
  EXPECT_FALSE(Installed(kOnboardRender));
  EXPECT_TRUE(SameValues(Raw(Fx(kOnboardRender)), onboard));
  EXPECT_TRUE(SameValues(Raw(Fx(kOnboardCapture)), onboard_capture));

  // A second install finds everything in place: no slot changes, no restart.
  const auto headset = Raw(Fx(kHeadsetRender));
  const auto dongle_backup = Raw(Backup(kDongleRender));
  calls_.clear();
  EXPECT_EQ(Install(), 0);
  EXPECT_TRUE(calls_.empty());
  EXPECT_TRUE(SameValues(Raw(Fx(kHeadsetRender)), headset));
  EXPECT_TRUE(SameValues(Raw(Backup(kDongleRender)), dongle_backup));

  // Removal needs no device present.
  connected_.clear();
  calls_.clear();
  EXPECT_EQ(Remove(), 4);
  EXPECT_EQ(calls_, (std::vector<std::wstring>{L"restart", L"unregister /opt/orosound/bin/OroSoundAPO.so"}));
  for (const wchar_t* alias : kKitEndpoints) EXPECT_FALSE(Installed(alias)) << alias;
  EXPECT_FALSE(reg_->KeyExists(apo::kBackupRoot));
  EXPECT_FALSE(reg_->KeyExists(Fx(kHeadsetRender)));
}

TEST_F(ApoInstallerTest, OnlyConnectedDevicesAreInstalled) {
  connected_ = {0xF778};
  EXPECT_EQ(Install(), 2);
  EXPECT_TRUE(Installed(kDongleRender));
  EXPECT_TRUE(Installed(kDongleCapture));
  EXPECT_FALSE(Installed(kHeadsetRender));
  connected_.clear();
  calls_.clear();
  EXPECT_EQ(Install(), 0);
  EXPECT_TRUE(calls_.empty());
}

TEST_F(ApoInstallerTest, FailedRestartGivesMinusFiveAndOneMessage) {
  restart_failure_ = L"Service start timed out on service \"AudioSrv\"";
  EXPECT_EQ(Install(), common::kRestartFailed);
  EXPECT_EQ(
      std::count_if(calls_.begin(), calls_.end(), [](const std::wstring& c) { return c.rfind(L"message", 0) == 0; }),
      1);
  EXPECT_EQ(calls_.back(), L"message /opt/orosound/bin/oro_panel: Service start timed out on service \"AudioSrv\"");
  // The registry changes stay.
  EXPECT_TRUE(Installed(kHeadsetRender));
}

TEST_F(ApoInstallerTest, EnableAllDevMustBeExactlyTrue) {
  reg_->CreateKey(apo::kKitKey);
  reg_->WriteString(apo::kKitKey, apo::kEnableAllDev, L"TRUE");
  connected_.clear();
  EXPECT_EQ(Install(), 0);
  EXPECT_FALSE(Installed(kOnboardRender));

  const auto onboard = Raw(Fx(kOnboardRender));
  const auto headset = Raw(Fx(kHeadsetCapture));
  reg_->WriteString(apo::kKitKey, apo::kEnableAllDev, L"true");
  EXPECT_EQ(Install(), 6);
  for (const wchar_t* alias : {kOnboardRender, kOnboardCapture, kHeadsetRender}) EXPECT_TRUE(Installed(alias));
  // Every endpoint: restart, but the processing object is not registered on this path.
  EXPECT_EQ(calls_, std::vector<std::wstring>{L"restart"});
  EXPECT_EQ(Remove(), 6);
  // The other vendor's values are back byte for byte; system effects stay enabled.
  auto restored = Raw(Fx(kOnboardRender));
  ASSERT_EQ(Dump(*reg_, Fx(kOnboardRender))[apo::kSysFxDisabled], L"DWORD:0");
  restored.erase(
      std::remove_if(restored.begin(), restored.end(), [](const auto& v) { return v.name == apo::kSysFxDisabled; }),
      restored.end());
  EXPECT_TRUE(SameValues(restored, onboard));
  EXPECT_TRUE(headset.empty());
  EXPECT_FALSE(reg_->KeyExists(Fx(kHeadsetCapture)));
}

TEST_F(ApoInstallerTest, OneFailingEndpointStopsNeitherTheOthersNorTheRestart) {
  EXPECT_EQ(Install(), 4);
  // The headset's render endpoint now carries a backup the kit cannot read.
  reg_->WriteString(Backup(kHeadsetRender), apo::kVersion, L"3");
  calls_.clear();
  EXPECT_EQ(Remove(), 3);
  EXPECT_EQ(calls_, (std::vector<std::wstring>{L"restart", L"unregister /opt/orosound/bin/OroSoundAPO.so"}));
  EXPECT_FALSE(Installed(kHeadsetCapture));
  EXPECT_FALSE(Installed(kDongleRender));
  bool reported = false;
  for (const auto& line : log_) {
    reported = reported || line.find(L"Unsupported version of APO installation detected!") != std::wstring::npos;
  }
  EXPECT_TRUE(reported);
  // The per-device routine reports the failure as a negative count.
  EXPECT_EQ(common::InstallOnDeviceEndpoints(env_, ApoFlow::kRender, false, 0x040B, 0xF779), -1);
}

TEST_F(ApoInstallerTest, DeviceEndpointsAreFoundByTheirUsbIdsInAnyCase) {
  const auto render = common::FindDeviceEndpoints(*reg_, 0x040B, 0xF779, ApoFlow::kRender);
  ASSERT_EQ(render.size(), 1u);
  EXPECT_EQ(render[0], std::make_pair(false, Id(kHeadsetRender)));
  // The newer device path property wins over the older one.
  reg_->WriteString(Props(kOnboardCapture), apo::kPkeyDevicePath, L"{1}.usb\\vid_040b&pid_f779&mi_00\\x");
  const auto capture = common::FindDeviceEndpoints(*reg_, 0x040B, 0xF779, ApoFlow::kCapture);
  ASSERT_EQ(capture.size(), 2u);
  EXPECT_EQ(capture[1].second, Id(kOnboardCapture));
  EXPECT_TRUE(common::FindDeviceEndpoints(*reg_, 0x1234, 0x5678, ApoFlow::kRender).empty());

  EXPECT_EQ(common::EndpointKeyPath(*reg_, Id(kHeadsetCapture)), Key(kHeadsetCapture));
  EXPECT_EQ(common::EndpointKeyPath(*reg_, L"{nope}"), L"");
}

TEST_F(ApoInstallerTest, BluetoothHeadsetIsFoundByItsKnownName) {
  platform::sim::SimMachine machine(*platform_.registry);
  platform::sim::SimEndpointSpec bt;
  bt.flow = platform::Flow::kCapture;
  bt.guid = L"{cc4e6a08-7b9d-4f30-a1e2-f3a4b5c6d7e8}";
  bt.description = L"Headset";
  bt.adapter_name = L"Oro Buds Hands-Free";
  bt.device_path = L"{2}.BTHHFENUM\\BthHFPAudio\\8&2B1C&0&97";
  ASSERT_EQ(machine.AddEndpoint(bt), 0u);
  const std::wstring props =
      L"HKEY_LOCAL_MACHINE\\" + platform::sim::layout::EndpointKeyPath(bt.flow, bt.guid) + L"\\Properties";
  reg_->WriteString(props, apo::kPkeyAdapterName, bt.adapter_name);

  EXPECT_EQ(common::InstallOnBluetoothEndpoint(env_, ApoFlow::kCapture, true), -1);  // no names known
  env_.bluetooth = [] { return std::vector<std::wstring>{L"Oro Buds"}; };
  EXPECT_EQ(common::InstallOnBluetoothEndpoint(env_, ApoFlow::kRender, true), -1);
  EXPECT_EQ(common::InstallOnBluetoothEndpoint(env_, ApoFlow::kCapture, true), 1);
  EXPECT_EQ(common::InstallOnBluetoothEndpoint(env_, ApoFlow::kCapture, true), 0);
  EXPECT_EQ(common::InstallOnBluetoothEndpoint(env_, ApoFlow::kCapture, false), 1);
  EXPECT_EQ(common::InstallOnBluetoothEndpoint(env_, ApoFlow::kCapture, false), 0);
}

TEST(InstallFolder, CutBeforeTheLastSeparator) {
  EXPECT_EQ(common::InstallFolder(L"/opt/kit/oro_panel"), L"/opt/kit");
  EXPECT_EQ(common::InstallFolder(L"C:\\Kit\\oro_panel.exe"), L"C:\\Kit");
  EXPECT_EQ(common::InstallFolder(L"oro_panel"), L"");
  EXPECT_EQ(common::InstallFolder(L"/ab"), L"");
  EXPECT_EQ(common::ApoModulePath(L"/opt/kit/oro_panel"), L"/opt/kit/OroSoundAPO.so");
  // An installed program registers the object from the plugin folder, where the package puts it.
  const auto& layout = platform::InstalledLayout();
  EXPECT_EQ(common::ApoModulePath(platform::FromUtf8(layout.bin_dir + "/oro_panel")),
            platform::FromUtf8(layout.ladspa_dir + "/OroSoundAPO.so"));
}

}  // namespace
}  // namespace oro::test
