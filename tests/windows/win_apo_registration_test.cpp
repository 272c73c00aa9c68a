// Effect registration on the system's own endpoint tree: Wine's MMDevices
// keys, which its Core Audio writes for the endpoints of the fixture's sound
// server (tests/windows/pulse_server.sh). The kit's classes go into each
// endpoint's FxProperties and come out again leaving the tree as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cwchar>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "oro/common/apo_installer.h"
#include "oro/common/apo_keys.h"
#include "oro/common/apo_platform.h"
#include "oro/common/device_apo_info.h"
#include "oro/common/registry_access.h"
#include "oro/platform/platform.h"
#include "oro/platform/reg_value_codec.h"
#include "oro/platform/text.h"
#include "oro/platform/windows/windows_adapters.h"
#include "oro/platform/windows/wine_host.h"

namespace oro::test {
namespace {

namespace apo = common::apo;
using platform::EndpointInfo;
using platform::Flow;

// Every value of a key, name -> (type, bytes); an absent key is empty.
using Values = std::map<std::wstring, std::pair<std::uint32_t, std::vector<std::uint8_t>>>;

Values Snapshot(common::RegistryAccess& reg, const std::wstring& key) {
  Values out;
  if (!reg.KeyExists(key)) return out;
  for (const auto& v : reg.EnumerateValues(key)) out[platform::FoldCase(v.name)] = {v.value.type, v.value.data};
  return out;
}

struct Endpoint {
  EndpointInfo info;
  std::wstring key;  // the endpoint's key in the main tree
  Values properties;
  Values effects;
};

class WineEndpointTree : public ::testing::Test {
 protected:
  void SetUp() override {
    if (platform::windows_host::WineVersion().empty()) {
      GTEST_SKIP() << "runs under Wine, against the fixture's sound server, so no real machine's effects change";
    }
    if (!std::getenv("PULSE_SERVER")) {
      GTEST_SKIP() << "PULSE_SERVER is not set: run through CTest, whose fixture starts the server";
    }
    ASSERT_TRUE(store_) << "the registry adapter is missing";
    // Wine's prefix gives HKLM\SOFTWARE no entry the administrators inherit,
    // which Windows has; without it the kit's own key below it would let
    // nobody write. The test gives it that entry, as on Windows, and puts
    // the old list back afterwards.
    ASSERT_EQ(store_->OpenKey(platform::RootKey::kLocalMachine, L"SOFTWARE",
                              platform::keyaccess::kReadControl | platform::keyaccess::kWriteDac, &software_),
              platform::err::kSuccess);
    ASSERT_EQ(store_->GetSecurity(software_, &software_security_), platform::err::kSuccess);
    restore_software_ = true;
    reg_.EnsureWritable(L"HKEY_LOCAL_MACHINE\\SOFTWARE");
    // Core Audio writes the tree for the endpoints it finds.
    for (Flow flow : {Flow::kRender, Flow::kCapture}) {
      std::vector<EndpointInfo> active;
      ASSERT_EQ(audio_->EnumerateEndpoints(flow, platform::devstate::kActive, &active), platform::err::kSuccess);
      for (auto& info : active) {
        Endpoint e;
        e.key = common::EndpointKeyPath(reg_, common::EndpointKeyName(info.id));
        ASSERT_FALSE(e.key.empty()) << platform::ToUtf8(info.id) << " has no key in the tree";
        e.properties = Snapshot(reg_, e.key + apo::kPropertiesPart);
        e.effects = Snapshot(reg_, e.key + apo::kFxPropertiesPart);
        e.info = std::move(info);
        endpoints_.push_back(std::move(e));
      }
    }
    ASSERT_GE(endpoints_.size(), 4u) << "the fixture's sink and source, and Wine's own pair";

    env_.reg = &reg_;
    env_.program_path = L"C:\\Program Files\\OroSound Kit\\oro_panel.exe";
    env_.restart_audio_service = [this]() -> std::optional<std::wstring> {
      ++restarts_;
      return std::nullopt;
    };
    env_.log = [this](const std::wstring& line) { log_ += platform::ToUtf8(line) + "\n"; };
  }

  void TearDown() override {
    if (restore_software_) store_->SetSecurity(software_, software_security_, false, true);
  }

  // The endpoint's own values as installing leaves them: a microphone gains
  // the capture interface it lacked, nothing else changes.
  static Values WithCaptureInterface(const Endpoint& e) {
    Values want = e.properties;
    const std::wstring name = platform::FoldCase(apo::kPkeyCaptureInterface);
    if (e.info.flow == Flow::kCapture && !want.count(name)) {
      wchar_t path[256];
      std::swprintf(path, 256, apo::kCaptureInterfaceFormat, common::EndpointKeyName(e.info.id).c_str());
      want[name] = {platform::regtype::kSz, platform::EncodeRegString(path)};
    }
    return want;
  }

  bool Installed(const Endpoint& e) {
    common::DeviceAPOInfo info(reg_);
    return info.LoadEndpoint(common::EndpointKeyName(e.info.id)) && info.IsInstalled();
  }

  std::unique_ptr<platform::AudioSystem> audio_ = platform::windows_host::MakeCoreAudioSystem();
  std::unique_ptr<platform::RegistryStore> store_ = platform::windows_host::MakeWindowsRegistryStore();
  std::unique_ptr<platform::SystemInfo> system_ = platform::windows_host::MakeWindowsSystemInfo();
  common::RegistryAccess reg_{*store_, system_.get()};
  platform::KeyHandle software_;
  platform::KeySecurity software_security_;
  bool restore_software_ = false;
  std::vector<Endpoint> endpoints_;
  common::ApoEnvironment env_;
  int restarts_ = 0;
  std::string log_;
};

TEST_F(WineEndpointTree, EveryEndpointGetsTheKitsEffectsAndGivesThemBackUnchanged) {
  const int count = static_cast<int>(endpoints_.size());
  ASSERT_EQ(common::InstallOnAllEndpoints(env_, true), count) << log_;
  EXPECT_EQ(restarts_, 1) << "the audio engine reads the slots when the service starts";
  for (const auto& e : endpoints_) {
    const std::string name = platform::ToUtf8(e.info.name);
    EXPECT_TRUE(Installed(e)) << name;
    const Values fx = Snapshot(reg_, e.key + apo::kFxPropertiesPart);
    const auto disabled = fx.find(platform::FoldCase(apo::kSysFxDisabled));
    ASSERT_NE(disabled, fx.end()) << name;
    EXPECT_EQ(disabled->second.second, (std::vector<std::uint8_t>{0, 0, 0, 0})) << name << ": effects enabled";
    // The kit's class stands in a slot, as a string the audio engine reads.
    const bool kit_class = std::any_of(fx.begin(), fx.end(), [](const auto& v) {
      return v.second.first == platform::regtype::kSz &&
             platform::FoldCase(platform::DecodeRegString(v.second.second)) ==
                 platform::FoldCase(apo::kStreamEffectClass);
    });
    EXPECT_TRUE(kit_class) << name;
    EXPECT_EQ(Snapshot(reg_, e.key + apo::kPropertiesPart), WithCaptureInterface(e)) << name;
  }

  // Wine's Core Audio still reads its tree: the same endpoints, named as before.
  auto again = platform::windows_host::MakeCoreAudioSystem();
  for (const auto& e : endpoints_) {
    std::unique_ptr<platform::AudioEndpoint> found;
    ASSERT_EQ(again->GetEndpoint(e.info.id, &found), platform::err::kSuccess) << platform::ToUtf8(e.info.name);
    EXPECT_EQ(found->Info().name, e.info.name);
    EXPECT_EQ(found->ActivateClient(), platform::err::kSuccess) << platform::ToUtf8(e.info.name);
  }

  // A second run finds everything in place.
  EXPECT_EQ(common::InstallOnAllEndpoints(env_, true), 0) << log_;
  EXPECT_EQ(restarts_, 1);

  ASSERT_EQ(common::InstallOnAllEndpoints(env_, false), count) << log_;
  EXPECT_EQ(restarts_, 2);
  for (const auto& e : endpoints_) {
    const std::string name = platform::ToUtf8(e.info.name);
    EXPECT_FALSE(Installed(e)) << name;
    EXPECT_EQ(Snapshot(reg_, e.key + apo::kPropertiesPart), WithCaptureInterface(e)) << name;
    if (e.effects.empty()) {
      EXPECT_FALSE(reg_.KeyExists(e.key + apo::kFxPropertiesPart)) << name << ": the kit made it, the kit removes it";
    } else {
      // What was there before is back, with the system's effects left enabled.
      Values fx = Snapshot(reg_, e.key + apo::kFxPropertiesPart);
      Values before = e.effects;
      fx.erase(platform::FoldCase(apo::kSysFxDisabled));
      before.erase(platform::FoldCase(apo::kSysFxDisabled));
      EXPECT_EQ(fx, before) << name;
    }
  }
  EXPECT_FALSE(reg_.KeyExists(apo::kBackupRoot));
}

// On Windows the audio engine, not the kit, runs what the slots name: the
// installer must neither copy endpoints into the system's tree nor skip the
// audio service's restart.
TEST_F(WineEndpointTree, TheInstallersEnvironmentLeavesTheTreeToTheSystem) {
  platform::Platform p;
  p.profile = platform::Profile::kHost;
  p.audio = std::move(audio_);
  const common::ApoEnvironment env = common::MakeApoEnvironment(p, reg_, env_.program_path);
  EXPECT_EQ(env.live_audio, nullptr);
}

}  // namespace
}  // namespace oro::test
