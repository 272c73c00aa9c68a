// One endpoint at a time: what loading reads, what install writes and backs
// up, and that removal puts back exactly what was there, under both slot
// layouts of the system's versions.
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "apo_fixture.h"
#include "oro/platform/text.h"

namespace oro::test {
namespace {

namespace apo = common::apo;
using tools::sim::kDongleRender;
using tools::sim::kHeadsetCapture;
using tools::sim::kHeadsetRender;
using tools::sim::kOnboardCapture;
using tools::sim::kOnboardRender;

constexpr std::uint32_t kWin10 = 0x000A0000;
constexpr std::uint32_t kWin7 = 0x00060001;

const std::wstring kSlot1 = apo::kSlotNames[0], kSlot2 = apo::kSlotNames[1], kSlot5 = apo::kSlotNames[2],
                   kSlot6 = apo::kSlotNames[3], kSlot7 = apo::kSlotNames[4];
const std::wstring kKitStream = std::wstring(L"SZ:") + apo::kStreamEffectClass;
const std::wstring kKitEndpoint = std::wstring(L"SZ:") + apo::kEndpointEffectClass;
const std::wstring kDefaultModeList = std::wstring(L"MULTI:") + apo::kDefaultModeClass;
// What the kit's machine puts on the onboard and dongle render endpoints.
const std::wstring kVendorStream = L"{5c7b1f2e-8a3d-4e6f-9b0c-1d2e3f4a5b6c}";
const std::wstring kVendorEndpoint = L"{6d8c2a3f-9b4e-4f70-8c1d-2e3f4a5b6c7d}";
const std::wstring kLegacyPre = L"{7e9d3b40-ac5f-4081-9d2e-3f4a5b6c7d8e}";
const std::wstring kLegacyPost = L"{8fae4c51-bd60-4192-ae3f-4a5b6c7d8e9f}";

ValueMap BackupOf(const std::wstring& s1, const std::wstring& s2, const std::wstring& s5, const std::wstring& s6,
                  const std::wstring& s7, const std::wstring& pre, const std::wstring& post) {
  return {{kSlot1, L"SZ:" + s1},
          {kSlot2, L"SZ:" + s2},
          {kSlot5, L"SZ:" + s5},
          {kSlot6, L"SZ:" + s6},
          {kSlot7, L"SZ:" + s7},
          {L"PreMixChild", L"SZ:" + pre},
          {L"PostMixChild", L"SZ:" + post},
          {L"AllowSilentBufferModification", L"SZ:false"},
          {L"Version", L"SZ:2"}};
}

class DeviceApoInfoTest : public ApoTestBase {
 protected:
  common::DeviceAPOInfo Loaded(const wchar_t* alias) {
    common::DeviceAPOInfo info(*reg_, files_);
    EXPECT_TRUE(info.LoadEndpoint(Id(alias))) << alias;
    return info;
  }

  common::ApoBackupFiles files_;
};

TEST_F(DeviceApoInfoTest, EndpointWithoutEffectKeyGetsOneAndLosesItAgain) {
  MakeMachine(kWin10);
  auto before = Loaded(kHeadsetRender);
  EXPECT_FALSE(before.IsInstalled());
  EXPECT_FALSE(before.IsCapture());
  EXPECT_TRUE(before.HadNoFxProperties());
  EXPECT_EQ(before.GetEndpointName(), L"Speakers");
  EXPECT_EQ(before.GetAdapterName(), L"OroSound Gaming Headset");
  EXPECT_EQ(before.GetDescription(), L"Speakers OroSound Gaming Headset " + Id(kHeadsetRender));
  EXPECT_EQ(before.GetChannelCount(), 2u);
  EXPECT_EQ(before.GetSampleRate(), 48000u);
  EXPECT_EQ(before.GetChannelMask(), 0x3u);
  EXPECT_TRUE(before.MatchesDevice(0x040B, 0xF779, 0));
  EXPECT_FALSE(before.MatchesDevice(0x040B, 0xF778, 0));
  before.Install();

  EXPECT_EQ(Dump(*reg_, Fx(kHeadsetRender)), (ValueMap{{apo::kDisplayName, L"SZ:OroSound Kit"},
                                                       {kSlot5, kKitStream},
                                                       {kSlot7, kKitEndpoint},
                                                       {apo::kStreamModes, kDefaultModeList},
                                                       {apo::kEndpointModes, kDefaultModeList}}));
  EXPECT_EQ(Dump(*reg_, Backup(kHeadsetRender)), BackupOf(L"!KEY", L"!KEY", L"!KEY", L"!KEY", L"!KEY", L"", L""));

  auto installed = Loaded(kHeadsetRender);
  EXPECT_TRUE(installed.IsInstalled());
  EXPECT_FALSE(installed.NeedsUpgrade());
  EXPECT_FALSE(installed.HadNoFxProperties());
  EXPECT_EQ(installed.SlotValues()[0], apo::kNoKey);
  installed.Uninstall();
  EXPECT_EQ(Dump(*reg_, Fx(kHeadsetRender)), (ValueMap{{L"(no key)", L""}}));
  EXPECT_FALSE(reg_->KeyExists(apo::kBackupRoot));
}

TEST_F(DeviceApoInfoTest, CaptureEndpointGetsStreamEffectDefaultModeAndInterfacePath) {
  MakeMachine(kWin10);
  const ValueMap props_before = Dump(*reg_, Props(kHeadsetCapture));
  auto info = Loaded(kHeadsetCapture);
  EXPECT_TRUE(info.IsCapture());
  EXPECT_EQ(info.GetChannelMask(), 0x4u);
  info.Install();
  EXPECT_EQ(Dump(*reg_, Fx(kHeadsetCapture)), (ValueMap{{apo::kDisplayName, L"SZ:OroSound Kit"},
                                                        {kSlot5, kKitStream},
                                                        {kSlot7, std::wstring(L"SZ:") + apo::kDefaultModeClass},
                                                        {apo::kStreamModes, kDefaultModeList}}));
  ValueMap props_after = props_before;
  props_after[apo::kPkeyCaptureInterface] =
      L"SZ:\\\\?\\SWD#MMDEVAPI#{0.0.1.00000000}." + Id(kHeadsetCapture) + L"#{2eef81be-33fa-4800-9670-1cd474972c3f}";
  EXPECT_EQ(Dump(*reg_, Props(kHeadsetCapture)), props_after);

  Loaded(kHeadsetCapture).Uninstall();
  EXPECT_FALSE(reg_->KeyExists(Fx(kHeadsetCapture)));
  // The interface path stays: the system keeps it for every capture endpoint with effects.
  EXPECT_EQ(Dump(*reg_, Props(kHeadsetCapture)), props_after);
}

TEST_F(DeviceApoInfoTest, OtherVendorsEffectsAreChainedBackedUpAndRestoredByteForByte) {
  MakeMachine(kWin10);
  const auto before = Raw(Fx(kOnboardRender));
  const std::string folder = root_.Path() + "/backups";
  ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
  files_.folder = platform::FromUtf8(folder);

  auto info = Loaded(kOnboardRender);
  EXPECT_FALSE(info.IsInstalled());
  EXPECT_EQ(info.Desired().layout, 2u);
  info.Install();
  EXPECT_EQ(Dump(*reg_, Backup(kOnboardRender)),
            BackupOf(L"!VALUE", L"!VALUE", kVendorStream, L"!VALUE", kVendorEndpoint, kVendorStream, kVendorEndpoint));
  EXPECT_EQ(Dump(*reg_, Fx(kOnboardRender)), (ValueMap{{kSlot5, kKitStream},
                                                       {kSlot7, kKitEndpoint},
                                                       {apo::kStreamModes, kDefaultModeList},
                                                       {apo::kEndpointModes, kDefaultModeList}}));
  // The .reg copy holds the two slots that existed, named after the device.
  const std::string file = folder + "/backup_High Definition Audio Device_Speakers.reg";
  std::ifstream in(file, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::wstring text =
      bytes.size() > 2
          ? platform::FromUtf16Le(reinterpret_cast<const std::uint8_t*>(bytes.data()) + 2, bytes.size() - 2)
          : L"";
  EXPECT_NE(text.find(L"\"" + kSlot5 + L"\"=\"" + kVendorStream + L"\""), std::wstring::npos) << file;
  EXPECT_NE(text.find(L"\"" + kSlot7 + L"\"=\"" + kVendorEndpoint + L"\""), std::wstring::npos);
  EXPECT_EQ(text.find(kSlot1), std::wstring::npos);

  auto installed = Loaded(kOnboardRender);
  EXPECT_TRUE(installed.IsInstalled());
  EXPECT_EQ(installed.PreMixChild(), kVendorStream);
  EXPECT_EQ(installed.Applied().layout, 2u);
  EXPECT_EQ(installed.SlotValues()[2], kVendorStream);  // the value from before the kit
  installed.Uninstall();
  EXPECT_TRUE(SameValues(Raw(Fx(kOnboardRender)), before));
  EXPECT_FALSE(reg_->KeyExists(apo::kBackupRoot));
}

TEST_F(DeviceApoInfoTest, OlderPreAndPostMixSlotsKeepTheirLayoutAndComeBack) {
  MakeMachine(kWin10);
  auto info = Loaded(kDongleRender);
  EXPECT_EQ(info.Desired().layout, 0u);
  info.Install();
  EXPECT_EQ(Dump(*reg_, Backup(kDongleRender)),
            BackupOf(kLegacyPre, kLegacyPost, L"!VALUE", L"!VALUE", L"!VALUE", kLegacyPre, kLegacyPost));
  EXPECT_EQ(Dump(*reg_, Fx(kDongleRender)), (ValueMap{{kSlot5, kKitStream},
                                                      {kSlot7, kKitEndpoint},
                                                      {apo::kStreamModes, kDefaultModeList},
                                                      {apo::kEndpointModes, kDefaultModeList}}));
  Loaded(kDongleRender).Uninstall();
  // The old slots are back; the processing modes the install added stay.
  EXPECT_EQ(Dump(*reg_, Fx(kDongleRender)), (ValueMap{{kSlot1, L"SZ:" + kLegacyPre},
                                                      {kSlot2, L"SZ:" + kLegacyPost},
                                                      {apo::kStreamModes, kDefaultModeList},
                                                      {apo::kEndpointModes, kDefaultModeList}}));
}

TEST_F(DeviceApoInfoTest, OlderSystemsKeepEffectsInPreAndPostMixSlots) {
  MakeMachine(kWin7);
  const auto before = Raw(Fx(kOnboardRender));
  auto info = Loaded(kOnboardRender);
  EXPECT_EQ(info.Desired().layout, 0u);
  info.Install();
  EXPECT_EQ(Dump(*reg_, Backup(kOnboardRender)),
            BackupOf(kVendorStream, kVendorEndpoint, L"!VALUE", L"!VALUE", L"!VALUE", kVendorStream, kVendorEndpoint));
  EXPECT_EQ(Dump(*reg_, Fx(kOnboardRender)), (ValueMap{{kSlot5, kKitStream},
                                                       {kSlot7, kKitEndpoint},
                                                       {apo::kStreamModes, kDefaultModeList},
                                                       {apo::kEndpointModes, kDefaultModeList}}));
  Loaded(kOnboardRender).Uninstall();
  auto restored = Raw(Fx(kOnboardRender));
  // The processing modes the install added stay; everything else is as before.
  restored.erase(
      std::remove_if(restored.begin(), restored.end(),
                     [](const auto& v) { return v.name == apo::kStreamModes || v.name == apo::kEndpointModes; }),
      restored.end());
  EXPECT_TRUE(SameValues(restored, before));
}

TEST_F(DeviceApoInfoTest, OlderSystemsTakeNoChildFromTheNewerSlots) {
  MakeMachine(kWin10);
  platform::sim::SimMachine(*platform_.registry).SetOsVersion(kWin7);
  reg_ = std::make_unique<common::RegistryAccess>(*platform_.registry, platform_.system.get());
  auto old_system = Loaded(kOnboardRender);
  EXPECT_EQ(old_system.Desired().layout, 0u);
  old_system.Install();
  // Before 8.1 the pre-mix and post-mix slots are the children, and they were empty.
  EXPECT_EQ(Dump(*reg_, Backup(kOnboardRender))[L"PreMixChild"], L"SZ:");
  EXPECT_EQ(Dump(*reg_, Backup(kOnboardRender))[L"PostMixChild"], L"SZ:");
  EXPECT_EQ(Loaded(kOnboardRender).Applied().layout, 2u);  // read back from where the kit's classes sit
}

TEST_F(DeviceApoInfoTest, LayoutPropertySelectsStreamAndModeSlots) {
  MakeMachine(kWin10);
  const auto capture_before = Raw(Fx(kOnboardCapture));
  auto capture = Loaded(kOnboardCapture);
  EXPECT_EQ(capture.Desired().layout, 1u);  // the kit's machine gives its onboard microphone the flag
  capture.Install();
  EXPECT_EQ(Dump(*reg_, Backup(kOnboardCapture))[L"PreMixChild"], L"SZ:{9abf5d62-ce71-42a3-bf40-5b6c7d8e9fa0}");
  EXPECT_EQ(Dump(*reg_, Backup(kOnboardCapture))[L"PostMixChild"], L"SZ:");  // capture keeps no post-mix child
  EXPECT_EQ(Dump(*reg_, Fx(kOnboardCapture))[kSlot6], L"SZ:{a1c06e73-df82-43b4-8051-6c7d8e9fa0b1}");
  Loaded(kOnboardCapture).Uninstall();
  EXPECT_TRUE(SameValues(Raw(Fx(kOnboardCapture)), capture_before));

  reg_->WriteDword(Props(kOnboardRender), apo::kPkeyLayoutOne, 1);
  auto layout_one = Loaded(kOnboardRender);
  EXPECT_EQ(layout_one.Desired().layout, 1u);
  layout_one.Install();
  EXPECT_EQ(Dump(*reg_, Backup(kOnboardRender))[L"PreMixChild"], L"SZ:" + kVendorStream);
  EXPECT_EQ(Dump(*reg_, Backup(kOnboardRender))[L"PostMixChild"], L"SZ:");  // slot ,6 was empty
}

TEST_F(DeviceApoInfoTest, BackupVersionsDecideHowTheEndpointLoads) {
  MakeMachine(kWin10);
  Loaded(kDongleRender).Install();
  reg_->WriteString(Backup(kDongleRender), apo::kVersion, L"3");
  common::DeviceAPOInfo info(*reg_);
  try {
    info.LoadEndpoint(Id(kDongleRender));
    ADD_FAILURE() << "version 3 loaded";
  } catch (const common::RegistryException& e) {
    EXPECT_EQ(e.Message(), L"Unsupported version of APO installation detected!");
  }

  reg_->DeleteValue(Backup(kDongleRender), apo::kVersion);
  auto v1 = Loaded(kDongleRender);
  EXPECT_EQ(v1.InstalledVersion(), L"1");
  EXPECT_TRUE(v1.NeedsUpgrade());
  EXPECT_EQ(v1.PreMixChild(), kLegacyPre);
  EXPECT_EQ(v1.PostMixChild(), kLegacyPost);
}

TEST_F(DeviceApoInfoTest, FormatIsReadOnlyAsFarAsTheStoredBlobReaches) {
  MakeMachine(kWin10);
  const std::wstring props = Props(kHeadsetRender);
  std::vector<std::uint8_t> blob = reg_->ReadBinary(props, apo::kPkeyDeviceFormat);
  ASSERT_EQ(blob.size(), 48u);
  reg_->WriteDword(props, apo::kPkeyPhysicalSpeakers, 0x63F);
  blob[28] = 0x33;  // a mask of its own in the full blob
  reg_->WriteBinary(props, apo::kPkeyDeviceFormat, blob.data(), blob.size());
  EXPECT_EQ(Loaded(kHeadsetRender).GetChannelMask(), 0x33u);

  // Extensible tag, but cut before the mask: the speakers value stands in.
  reg_->WriteBinary(props, apo::kPkeyDeviceFormat, blob.data(), 30);
  auto cut = Loaded(kHeadsetRender);
  EXPECT_EQ(cut.GetChannelCount(), 2u);
  EXPECT_EQ(cut.GetSampleRate(), 48000u);
  EXPECT_EQ(cut.GetChannelMask(), 0x63Fu);

  reg_->WriteBinary(props, apo::kPkeyDeviceFormat, blob.data(), 25);
  reg_->DeleteValue(props, apo::kPkeyPhysicalSpeakers);
  auto tiny = Loaded(kHeadsetRender);
  EXPECT_EQ(tiny.GetChannelCount(), 0u);
  EXPECT_EQ(tiny.GetSampleRate(), 0u);
  EXPECT_EQ(tiny.GetChannelMask(), 0u);
}

TEST_F(DeviceApoInfoTest, RemovalNeverLeavesTheKitsClassesBehind) {
  MakeMachine(kWin10);
  // Backup lost altogether.
  Loaded(kOnboardRender).Install();
  reg_->DeleteKey(Backup(kOnboardRender));
  Loaded(kOnboardRender).Uninstall();
  // Backup present but with an empty slot and one naming the kit itself.
  Loaded(kDongleRender).Install();
  reg_->WriteString(Backup(kDongleRender), kSlot5, L"");
  reg_->WriteString(Backup(kDongleRender), kSlot7, std::wstring(apo::kEndpointEffectClass));
  Loaded(kDongleRender).Uninstall();

  for (const wchar_t* alias : {kOnboardRender, kDongleRender}) {
    for (const auto& [name, value] : Dump(*reg_, Fx(alias))) {
      EXPECT_EQ(value.find(apo::kStreamEffectClass), std::wstring::npos) << name;
      EXPECT_EQ(value.find(apo::kEndpointEffectClass), std::wstring::npos) << name;
    }
    EXPECT_FALSE(Loaded(alias).IsInstalled());
  }
}

TEST_F(DeviceApoInfoTest, UnwritableBackupFolderIsAWarningNotAFailure) {
  MakeMachine(kWin10);
  std::vector<std::wstring> warnings;
  files_.folder = platform::FromUtf8(root_.Path() + "/missing/folder");
  files_.warn = [&](const std::wstring& w) { warnings.push_back(w); };
  Loaded(kOnboardRender).Install();
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find(Id(kOnboardRender)), std::wstring::npos) << platform::ToUtf8(warnings[0]);
  EXPECT_EQ(Dump(*reg_, Backup(kOnboardRender))[kSlot5], L"SZ:" + kVendorStream);
  EXPECT_TRUE(Loaded(kOnboardRender).IsInstalled());
}

TEST_F(DeviceApoInfoTest, MissingEndpointsAndForeignIdsAreNotFound) {
  MakeMachine(kWin10);
  common::DeviceAPOInfo info(*reg_);
  EXPECT_FALSE(info.LoadEndpoint(L"{00000000-0000-0000-0000-000000000000}"));
  EXPECT_FALSE(info.LoadEndpoint(L""));
  EXPECT_FALSE(info.LoadEndpoint(Id(kHeadsetRender) + L"\\Properties"));
  info.SetPreviousOs(true);
  EXPECT_FALSE(info.LoadEndpoint(Id(kHeadsetRender)));
}

TEST(BluetoothMatch, NameIsCutBeforeHandsFreeAndPathMustBeBluetooth) {
  const std::vector<std::wstring> known = {L"Oro Buds"};
  EXPECT_TRUE(common::MatchesBluetoothDevice(L"{2}.BTHHFENUM\\BthHFPAudio\\8&1", L"Oro Buds Hands-Free", known));
  EXPECT_TRUE(common::MatchesBluetoothDevice(L"{2}.BTHENUM\\{0000110b}", L"Oro Buds", known));
  EXPECT_FALSE(common::MatchesBluetoothDevice(L"{1}.USB\\VID_040B&PID_F779", L"Oro Buds", known));
  EXPECT_FALSE(common::MatchesBluetoothDevice(L"{2}.BTHENUM\\x", L"Other Buds", known));
}

}  // namespace
}  // namespace oro::test
