// The audio system port as the simulated machine serves it: the port's
// contract on the kit's demo machine, and what the machine itself does with
// defaults per flow and role and endpoints that go away.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

#include "audio_system_contract.h"
#include "oro/platform/sim/sim_adapters.h"
#include "oro/platform/sim/sim_layout.h"
#include "oro/platform/sim/sim_machine.h"
#include "oro/platform/sqlite/sqlite_registry_store.h"
#include "oro/tools/sim/kit_machine.h"
#include "temp_root.h"

namespace oro::platform::sim {
namespace {

using namespace tools::sim;  // the kit's demo machine
using namespace contract;    // the suite

struct SimAudioOnKitMachine {
  static std::unique_ptr<AudioSystem> Make(const test::TempRoot& root) {
    auto store = std::make_shared<sqlite::SqliteRegistryStore>(root.RegistryDb());
    SimMachine machine(*store);
    if (!machine.Exists()) {
      EXPECT_EQ(CreateKitMachine(machine, L"/tmp/"), err::kSuccess);
    }
    return MakeSimAudioSystem(store);
  }
  static std::string ChangeCommand(const test::TempRoot& root, const std::string& what, int value) {
    return "ORO_PLATFORM=sim ORO_ROOT='" + root.Path() + "' '" + test::BuiltFile("oro-sim") + "' " + what + " render " +
           std::to_string(value);
  }
};

INSTANTIATE_TYPED_TEST_SUITE_P(SimAudio, AudioSystemContract, SimAudioOnKitMachine);

class SimAudio : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(store_->OpenError(), err::kSuccess) << store_->OpenErrorDetail(); }

  void CreateKit() { ASSERT_EQ(CreateKitMachine(machine_, L"/tmp/"), err::kSuccess); }

  std::wstring IdOf(const wchar_t* alias) {
    SimEndpoint e;
    EXPECT_EQ(machine_.Find(alias, &e), err::kSuccess) << "no endpoint " << alias;
    return e.info.id;
  }

  std::wstring DefaultId(Flow flow, Role role) {
    std::unique_ptr<AudioEndpoint> ep;
    const ErrorCode rc = audio_->GetDefaultEndpoint(flow, role, &ep);
    if (rc) return L"error " + std::to_wstring(rc);
    return ep->Info().id;
  }

  std::unique_ptr<EndpointVolume> VolumeOf(Flow flow) {
    std::unique_ptr<AudioEndpoint> ep;
    EXPECT_EQ(audio_->GetDefaultEndpoint(flow, Role::kMultimedia, &ep), err::kSuccess);
    std::unique_ptr<EndpointVolume> v;
    if (ep) {
      EXPECT_EQ(ep->ActivateVolume(&v), err::kSuccess);
    }
    return v;
  }

  void WriteRaw(const std::wstring& id, const wchar_t* name, std::uint32_t type, std::vector<std::uint8_t> data) {
    Flow flow;
    std::wstring guid;
    ASSERT_TRUE(layout::ParseEndpointId(id, &flow, &guid));
    KeyHandle h;
    ASSERT_EQ(store_->OpenKey(RootKey::kLocalMachine, layout::EndpointKeyPath(flow, guid), keyaccess::kSetValue, &h),
              err::kSuccess);
    ASSERT_EQ(store_->SetValue(h, name, type, data.data(), data.size()), err::kSuccess);
  }

  oro::test::TempRoot root_;
  std::shared_ptr<sqlite::SqliteRegistryStore> store_ =
      std::make_shared<sqlite::SqliteRegistryStore>(root_.RegistryDb());
  SimMachine machine_{*store_};
  std::unique_ptr<AudioSystem> audio_ = MakeSimAudioSystem(store_);
};

TEST_F(SimAudio, KitMachineMakesTheHeadsetDefaultForEveryRole) {
  CreateKit();
  for (Role role : {Role::kConsole, Role::kMultimedia, Role::kCommunications}) {
    EXPECT_EQ(DefaultId(Flow::kRender, role), IdOf(kHeadsetRender));
    EXPECT_EQ(DefaultId(Flow::kCapture, role), IdOf(kHeadsetCapture));
  }
  std::unique_ptr<AudioEndpoint> ep;
  ASSERT_EQ(audio_->GetDefaultEndpoint(Flow::kCapture, Role::kMultimedia, &ep), err::kSuccess);
  const EndpointInfo& info = ep->Info();
  EXPECT_EQ(info.flow, Flow::kCapture);
  EXPECT_EQ(info.state, devstate::kActive);
  EXPECT_EQ(info.id.rfind(L"{0.0.1.00000000}.{", 0), 0u) << info.id.c_str();
  EXPECT_EQ(info.name, L"Microphone (OroSound Gaming Headset)");
  EXPECT_EQ(info.adapter_name, L"OroSound Gaming Headset");
  std::uint16_t vid = 0, pid = 0;
  ASSERT_TRUE(ParseUsbIds(info.device_path, &vid, &pid)) << info.device_path.c_str();
  EXPECT_EQ(vid, kKitVendorId);
  EXPECT_EQ(pid, kHeadsetProductId);
}

TEST_F(SimAudio, EachRoleKeepsItsOwnDefault) {
  CreateKit();
  ASSERT_EQ(machine_.SetDefault(Flow::kRender, Role::kConsole, IdOf(kOnboardRender)), err::kSuccess);
  EXPECT_EQ(DefaultId(Flow::kRender, Role::kConsole), IdOf(kOnboardRender));
  EXPECT_EQ(DefaultId(Flow::kRender, Role::kMultimedia), IdOf(kHeadsetRender));
  EXPECT_EQ(DefaultId(Flow::kRender, Role::kCommunications), IdOf(kHeadsetRender));
  // A capture endpoint cannot serve the render flow, nor an unplugged one any flow.
  EXPECT_EQ(machine_.SetDefault(Flow::kRender, Role::kConsole, IdOf(kHeadsetCapture)), err::kInvalidParameter);
  ASSERT_EQ(machine_.Unplug(IdOf(kDongleRender)), err::kSuccess);
  EXPECT_EQ(machine_.SetDefault(Flow::kRender, Role::kConsole, IdOf(kDongleRender)), err::kInvalidParameter);
  EXPECT_EQ(DefaultId(Flow::kRender, Role::kConsole), IdOf(kOnboardRender));
}

TEST_F(SimAudio, MachineWithoutCaptureEndpointsHasNoCaptureDefault) {
  for (const auto& def : KitEndpoints(kKitOsVersion)) {
    if (def.flow == Flow::kRender) {
      ASSERT_EQ(machine_.AddEndpoint(def), err::kSuccess);
    }
  }
  std::unique_ptr<AudioEndpoint> ep;
  EXPECT_EQ(audio_->GetDefaultEndpoint(Flow::kCapture, Role::kMultimedia, &ep), err::kNotFound);
  EXPECT_EQ(ep, nullptr);
  std::vector<EndpointInfo> list{EndpointInfo{}};
  ASSERT_EQ(audio_->EnumerateEndpoints(Flow::kCapture, 0xF, &list), err::kSuccess);
  EXPECT_TRUE(list.empty());
  // The first render endpoint added took the render roles.
  EXPECT_EQ(DefaultId(Flow::kRender, Role::kMultimedia), IdOf(kHeadsetRender));
}

TEST_F(SimAudio, UnpluggedEndpointCannotBeActivatedAndHandsOnItsRoles) {
  CreateKit();
  std::unique_ptr<AudioEndpoint> ep;
  ASSERT_EQ(audio_->GetDefaultEndpoint(Flow::kCapture, Role::kMultimedia, &ep), err::kSuccess);
  std::unique_ptr<EndpointVolume> early;
  ASSERT_EQ(ep->ActivateVolume(&early), err::kSuccess);

  ASSERT_EQ(machine_.Unplug(IdOf(kHeadsetCapture)), err::kSuccess);
  std::unique_ptr<EndpointVolume> v;
  EXPECT_NE(ep->ActivateVolume(&v), err::kSuccess);
  EXPECT_EQ(v, nullptr);
  EXPECT_NE(ep->ActivateClient(), err::kSuccess);
  float scalar = -1.0f;
  EXPECT_NE(early->GetMasterScalar(&scalar), err::kSuccess) << "an interface outlived its device";
  EXPECT_NE(early->SetMute(true), err::kSuccess);

  // The next active capture endpoint in the store's order takes the roles.
  EXPECT_EQ(DefaultId(Flow::kCapture, Role::kMultimedia), IdOf(kDongleCapture));
  ASSERT_EQ(machine_.Unplug(IdOf(kDongleCapture)), err::kSuccess);
  ASSERT_EQ(machine_.Unplug(IdOf(kOnboardCapture)), err::kSuccess);
  EXPECT_EQ(audio_->GetDefaultEndpoint(Flow::kCapture, Role::kConsole, &ep), err::kNotFound);

  // Plugged back in, the headset takes every role again.
  ASSERT_EQ(machine_.Plug(IdOf(kHeadsetCapture), true), err::kSuccess);
  EXPECT_EQ(DefaultId(Flow::kCapture, Role::kCommunications), IdOf(kHeadsetCapture));
}

TEST_F(SimAudio, DisabledEndpointFailsActivationLikeAnUnpluggedOne) {
  CreateKit();
  std::unique_ptr<AudioEndpoint> ep;
  ASSERT_EQ(audio_->GetDefaultEndpoint(Flow::kRender, Role::kMultimedia, &ep), err::kSuccess);
  ASSERT_EQ(machine_.SetState(IdOf(kHeadsetRender), devstate::kDisabled), err::kSuccess);
  std::unique_ptr<EndpointVolume> v;
  EXPECT_NE(ep->ActivateVolume(&v), err::kSuccess);
  EXPECT_NE(ep->ActivateClient(), err::kSuccess);
}

TEST_F(SimAudio, StoredDefaultNamingAnInactiveEndpointIsNoDefault) {
  CreateKit();
  // Written behind the machine's back, as a damaged or hand-edited store would.
  ASSERT_EQ(machine_.SetState(IdOf(kOnboardRender), devstate::kNotPresent), err::kSuccess);
  KeyHandle h;
  ASSERT_EQ(store_->OpenKey(RootKey::kLocalMachine, layout::kDefaultsKey, keyaccess::kSetValue, &h), err::kSuccess);
  const std::wstring id = IdOf(kOnboardRender) + std::wstring(1, L'\0');
  std::vector<std::uint8_t> bytes;
  for (wchar_t c : id) {
    bytes.push_back(static_cast<std::uint8_t>(c));
    bytes.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  ASSERT_EQ(store_->SetValue(h, layout::DefaultValueName(Flow::kRender, Role::kMultimedia), regtype::kSz, bytes.data(),
                             bytes.size()),
            err::kSuccess);
  std::unique_ptr<AudioEndpoint> ep;
  EXPECT_EQ(audio_->GetDefaultEndpoint(Flow::kRender, Role::kMultimedia, &ep), err::kNotFound);
  EXPECT_EQ(DefaultId(Flow::kRender, Role::kConsole), IdOf(kHeadsetRender));
}

TEST_F(SimAudio, DamagedStoredVolumeIsAnErrorNotAReading) {
  CreateKit();
  const std::wstring id = IdOf(kHeadsetRender);
  auto v = VolumeOf(Flow::kRender);
  float scalar = 0.0f;
  WriteRaw(id, layout::kVolume, regtype::kBinary, {0x00, 0x00, 0x80});
  EXPECT_EQ(v->GetMasterScalar(&scalar), err::kRegistryCorrupt);
  WriteRaw(id, layout::kVolume, regtype::kDword, {0x00, 0x00, 0x80, 0x3f});
  EXPECT_EQ(v->GetMasterScalar(&scalar), err::kRegistryCorrupt);
  WriteRaw(id, layout::kVolume, regtype::kBinary, {0x00, 0x00, 0xc0, 0x7f});  // NaN
  EXPECT_EQ(v->GetMasterScalar(&scalar), err::kRegistryCorrupt);
  WriteRaw(id, layout::kVolume, regtype::kBinary, {0x00, 0x00, 0x80, 0x3f});  // 1.0f
  ASSERT_EQ(v->GetMasterScalar(&scalar), err::kSuccess);
  EXPECT_EQ(scalar, 1.0f);
}

TEST_F(SimAudio, StoredStringsReadAsEveryOtherReaderReadsThem) {
  CreateKit();
  const std::wstring id = IdOf(kHeadsetRender);
  auto utf16 = [](const std::wstring& text) {
    std::vector<std::uint8_t> b;
    for (wchar_t c : text) {
      b.push_back(static_cast<std::uint8_t>(c));
      b.push_back(static_cast<std::uint8_t>(c >> 8));
    }
    return b;
  };
  // One terminator is dropped; a zero inside the value is part of it, as the
  // registry module and .reg exports read the same bytes.
  WriteRaw(id, layout::kAlias, regtype::kSz, utf16(std::wstring(L"desk\0mic\0", 9)));
  SimEndpoint e;
  ASSERT_EQ(machine_.Find(id, &e), err::kSuccess);
  EXPECT_EQ(e.alias, std::wstring(L"desk\0mic", 8));
  // Without a terminator nothing is cut.
  WriteRaw(id, layout::kAlias, regtype::kSz, utf16(L"desk"));
  ASSERT_EQ(machine_.Find(id, &e), err::kSuccess);
  EXPECT_EQ(e.alias, L"desk");
}

TEST_F(SimAudio, EnumerationFiltersByFlowAndState) {
  CreateKit();
  ASSERT_EQ(machine_.Unplug(IdOf(kDongleRender)), err::kSuccess);
  std::vector<EndpointInfo> list;
  ASSERT_EQ(audio_->EnumerateEndpoints(Flow::kRender, devstate::kActive, &list), err::kSuccess);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].id, IdOf(kHeadsetRender));
  EXPECT_EQ(list[1].id, IdOf(kOnboardRender));
  ASSERT_EQ(audio_->EnumerateEndpoints(Flow::kRender, devstate::kUnplugged, &list), err::kSuccess);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list[0].id, IdOf(kDongleRender));
  EXPECT_EQ(list[0].state, devstate::kUnplugged);
  ASSERT_EQ(audio_->EnumerateEndpoints(Flow::kCapture, 0xF, &list), err::kSuccess);
  EXPECT_EQ(list.size(), 3u);
}

// Other modules read the endpoint keys directly; the property values must sit
// where and how the audio system keeps them.
TEST_F(SimAudio, EndpointKeysHoldThePropertiesOtherModulesRead) {
  CreateKit();
  const std::wstring id = IdOf(kDongleRender);
  Flow flow;
  std::wstring guid;
  ASSERT_TRUE(layout::ParseEndpointId(id, &flow, &guid));
  const std::wstring key = layout::EndpointKeyPath(flow, guid);
  KeyHandle h;
  ASSERT_EQ(store_->OpenKey(RootKey::kLocalMachine,
                            L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\MMDevices\\Audio\\Render\\" + guid,
                            keyaccess::kRead, &h),
            err::kSuccess);
  RegValue state;
  ASSERT_EQ(store_->QueryValue(h, L"DeviceState", &state), err::kSuccess);
  EXPECT_EQ(state.type, regtype::kDword);
  EXPECT_EQ(state.data, (std::vector<std::uint8_t>{1, 0, 0, 0}));

  ASSERT_EQ(store_->OpenKey(RootKey::kLocalMachine, key + L"\\Properties", keyaccess::kRead, &h), err::kSuccess);
  RegValue format;
  ASSERT_EQ(store_->QueryValue(h, L"{f19f064d-082c-4e27-bc73-6882a1bb8e4c},0", &format), err::kSuccess);
  ASSERT_EQ(format.type, regtype::kBinary);
  ASSERT_GT(format.data.size(), 31u);
  auto u16 = [&](std::size_t at) { return format.data[at] | format.data[at + 1] << 8; };
  auto u32 = [&](std::size_t at) { return static_cast<std::uint32_t>(u16(at) | u16(at + 2) << 16); };
  EXPECT_EQ(u16(8), 0xFFFE);
  EXPECT_EQ(u16(10), 2);
  EXPECT_EQ(u32(12), 48000u);
  EXPECT_EQ(u32(28), 3u);
  RegValue path;
  ASSERT_EQ(store_->QueryValue(h, L"{b3f8fa53-0004-438e-9003-51a46e139bfc},2", &path), err::kSuccess);
  EXPECT_EQ(path.type, regtype::kSz);

  // The dongle's render endpoint carries older effects; the headset none.
  EXPECT_EQ(store_->OpenKey(RootKey::kLocalMachine, key + L"\\FxProperties", keyaccess::kRead, &h), err::kSuccess);
  ASSERT_TRUE(layout::ParseEndpointId(IdOf(kHeadsetRender), &flow, &guid));
  EXPECT_EQ(store_->OpenKey(RootKey::kLocalMachine, layout::EndpointKeyPath(flow, guid) + L"\\FxProperties",
                            keyaccess::kRead, &h),
            err::kFileNotFound);
}

TEST_F(SimAudio, EndpointsAreFoundByIdKeyNameOrAliasInAnyCase) {
  CreateKit();
  SimEndpoint by_alias, by_id, by_guid;
  ASSERT_EQ(machine_.Find(L"Headset-RENDER", &by_alias), err::kSuccess);
  ASSERT_EQ(machine_.Find(by_alias.info.id, &by_id), err::kSuccess);
  Flow flow;
  std::wstring guid;
  ASSERT_TRUE(layout::ParseEndpointId(by_alias.info.id, &flow, &guid));
  ASSERT_EQ(machine_.Find(guid, &by_guid), err::kSuccess);
  EXPECT_EQ(by_id.info.id, by_alias.info.id);
  EXPECT_EQ(by_guid.info.id, by_alias.info.id);
  EXPECT_EQ(machine_.Find(L"headset", &by_id), err::kNotFound);
  // An id whose key name would step into another key is no id.
  EXPECT_EQ(machine_.Load(L"{0.0.0.00000000}.x\\..\\y", &by_id), err::kNotFound);
  SimEndpointSpec twice = KitEndpoints(kKitOsVersion)[0];
  EXPECT_EQ(machine_.AddEndpoint(twice), err::kAlreadyExists);
}

}  // namespace
}  // namespace oro::platform::sim
