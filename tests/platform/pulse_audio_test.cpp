// The host's audio system against a real sound server: endpoints and their
// ids and properties, defaults, volume and mute both ways, and a server that
// is absent, stops answering or comes back.
#include <signal.h>

#include <cmath>
#include <cstdlib>
#include <set>

#include "pulse_fixture.h"

namespace oro::test {
namespace {

using platform::EndpointInfo;
using platform::Flow;
using platform::Role;
namespace err = platform::err;
namespace devstate = platform::devstate;

std::vector<EndpointInfo> List(platform::AudioSystem& audio, Flow flow) {
  std::vector<EndpointInfo> v;
  EXPECT_EQ(audio.EnumerateEndpoints(flow, devstate::kActive, &v), err::kSuccess);
  return v;
}

const EndpointInfo* Named(const std::vector<EndpointInfo>& v, const std::wstring& name) {
  for (const auto& e : v) {
    if (e.name == name) return &e;
  }
  return nullptr;
}

std::unique_ptr<platform::EndpointVolume> DefaultVolume(platform::AudioSystem& audio, Flow flow) {
  std::unique_ptr<platform::AudioEndpoint> ep;
  std::unique_ptr<platform::EndpointVolume> vol;
  if (audio.GetDefaultEndpoint(flow, Role::kMultimedia, &ep) != err::kSuccess) return nullptr;
  if (ep->ActivateVolume(&vol) != err::kSuccess) return nullptr;
  return vol;
}

TEST_F(PulseTest, EndpointsCarryTheDevicesIdentity) {
  const auto render = List(*audio_, Flow::kRender);
  const auto capture = List(*audio_, Flow::kCapture);
  ASSERT_EQ(render.size(), 2u) << "monitors are not endpoints";
  ASSERT_EQ(capture.size(), 1u);
  const EndpointInfo* headset = Named(render, L"Headset Speakers");
  const EndpointInfo* dongle = Named(render, L"Dongle Speakers");
  ASSERT_TRUE(headset && dongle);
  EXPECT_EQ(headset->id.rfind(L"{0.0.0.00000000}.{", 0), 0u);
  EXPECT_EQ(capture[0].id.rfind(L"{0.0.1.00000000}.{", 0), 0u);
  EXPECT_NE(headset->id, dongle->id);
  EXPECT_EQ(headset->adapter_name, L"OroSound Gaming Headset");
  EXPECT_EQ(headset->device_path, L"{1}.USB\\VID_040B&PID_F779\\OS-HS-0001");
  EXPECT_EQ(dongle->device_path, L"{1}.USB\\VID_040B&PID_F778\\OS-DG-0001");
  EXPECT_EQ(capture[0].device_path, L"{1}.USB\\VID_040B&PID_F779\\OS-HS-0001");

  // Unplugged and plugged back, and again after the server restarts: same ids.
  const std::set<std::wstring> before = {headset->id, dongle->id, capture[0].id};
  ASSERT_EQ(daemon_.Pactl("unload-module " + std::to_string(headset_module_)), 0);
  EXPECT_EQ(List(*audio_, Flow::kRender).size(), 1u);
  headset_module_ = daemon_.LoadSink(kHeadsetSink, UsbProperties("Headset Speakers", "f779", "OS-HS-0001"));
  daemon_.Kill();
  ASSERT_TRUE(daemon_.Start()) << daemon_.Why();
  AddKitDevices();
  std::set<std::wstring> after;
  for (const auto& e : List(*audio_, Flow::kRender)) after.insert(e.id);
  for (const auto& e : List(*audio_, Flow::kCapture)) after.insert(e.id);
  EXPECT_EQ(after, before);
}

TEST_F(PulseTest, DefaultEndpointFollowsTheServer) {
  std::unique_ptr<platform::AudioEndpoint> ep;
  for (Role role : {Role::kConsole, Role::kMultimedia, Role::kCommunications}) {
    ASSERT_EQ(audio_->GetDefaultEndpoint(Flow::kRender, role, &ep), err::kSuccess);
    EXPECT_EQ(ep->Info().name, L"Headset Speakers");
  }
  ASSERT_EQ(daemon_.Pactl(std::string("set-default-sink ") + kDongleSink), 0);
  ASSERT_EQ(audio_->GetDefaultEndpoint(Flow::kRender, Role::kMultimedia, &ep), err::kSuccess);
  EXPECT_EQ(ep->Info().name, L"Dongle Speakers");
  ASSERT_EQ(audio_->GetDefaultEndpoint(Flow::kCapture, Role::kMultimedia, &ep), err::kSuccess);
  EXPECT_EQ(ep->Info().name, L"Headset Microphone");

  // An endpoint whose device went away no longer hands out its volume.
  ASSERT_EQ(daemon_.Pactl("unload-module " + std::to_string(mic_module_)), 0);
  std::unique_ptr<platform::EndpointVolume> vol;
  EXPECT_EQ(ep->ActivateVolume(&vol), err::kNotFound);
  EXPECT_NE(audio_->GetDefaultEndpoint(Flow::kCapture, Role::kMultimedia, &ep), err::kSuccess);
}

TEST_F(PulseTest, VolumeAndMuteReachTheServerAndComeBack) {
  auto vol = DefaultVolume(*audio_, Flow::kRender);
  ASSERT_TRUE(vol);
  // Every percentage's scalar survives a set and a read bit for bit, as the
  // volume exports use them.
  for (int p = 0; p <= 100; ++p) {
    ASSERT_EQ(vol->SetMasterScalar(static_cast<float>(p) / 100.0f), err::kSuccess);
    float s = -1;
    ASSERT_EQ(vol->GetMasterScalar(&s), err::kSuccess);
    ASSERT_EQ(s, static_cast<float>(p) / 100.0f) << p;
  }
  std::string out;
  ASSERT_EQ(vol->SetMasterScalar(0.35f), err::kSuccess);
  daemon_.Pactl(std::string("get-sink-volume ") + kHeadsetSink, &out);
  EXPECT_NE(out.find("35%"), std::string::npos) << out;

  // Changes made elsewhere are read, balance between channels is kept.
  ASSERT_EQ(daemon_.Pactl(std::string("set-sink-volume ") + kHeadsetSink + " 40% 80%"), 0);
  float s = 0;
  ASSERT_EQ(vol->GetMasterScalar(&s), err::kSuccess);
  EXPECT_NEAR(s, 0.80f, 1e-4);
  ASSERT_EQ(vol->SetMasterScalar(0.4f), err::kSuccess);
  daemon_.Pactl(std::string("get-sink-volume ") + kHeadsetSink, &out);
  EXPECT_NE(out.find("20%"), std::string::npos) << out;
  EXPECT_NE(out.find("40%"), std::string::npos) << out;

  // Above the server's normal level reads as full.
  ASSERT_EQ(daemon_.Pactl(std::string("set-sink-volume ") + kHeadsetSink + " 150%"), 0);
  ASSERT_EQ(vol->GetMasterScalar(&s), err::kSuccess);
  EXPECT_EQ(s, 1.0f);

  bool mute = true;
  ASSERT_EQ(vol->GetMute(&mute), err::kSuccess);
  EXPECT_FALSE(mute);
  ASSERT_EQ(vol->SetMute(true), err::kSuccess);
  daemon_.Pactl(std::string("get-sink-mute ") + kHeadsetSink, &out);
  EXPECT_NE(out.find("yes"), std::string::npos) << out;
  ASSERT_EQ(daemon_.Pactl(std::string("set-sink-mute ") + kHeadsetSink + " 0"), 0);
  ASSERT_EQ(vol->GetMute(&mute), err::kSuccess);
  EXPECT_FALSE(mute);

  for (float bad : {-0.1f, 1.01f, std::nanf("")}) EXPECT_EQ(vol->SetMasterScalar(bad), err::kInvalidParameter);

  auto mic = DefaultVolume(*audio_, Flow::kCapture);
  ASSERT_TRUE(mic);
  ASSERT_EQ(mic->SetMasterScalar(0.8f), err::kSuccess);
  daemon_.Pactl(std::string("get-source-volume ") + kHeadsetSource, &out);
  EXPECT_NE(out.find("80%"), std::string::npos) << out;
}

TEST_F(PulseTest, ServerThatStopsAnsweringOrGoesAwayGivesErrorsThenComesBack) {
  auto vol = DefaultVolume(*audio_, Flow::kRender);
  ASSERT_TRUE(vol);
  float s = 0;
  daemon_.Freeze();
  EXPECT_EQ(vol->GetMasterScalar(&s), err::kTimeout);
  std::unique_ptr<platform::AudioEndpoint> ep;
  EXPECT_EQ(audio_->GetDefaultEndpoint(Flow::kRender, Role::kMultimedia, &ep), err::kTimeout);
  daemon_.Thaw();
  EXPECT_EQ(vol->GetMasterScalar(&s), err::kSuccess);

  daemon_.Kill();
  EXPECT_EQ(vol->GetMasterScalar(&s), err::kServiceNotActive);
  std::vector<EndpointInfo> v;
  EXPECT_EQ(audio_->EnumerateEndpoints(Flow::kRender, devstate::kActive, &v), err::kServiceNotActive);
  EXPECT_TRUE(v.empty());

  ASSERT_TRUE(daemon_.Start()) << daemon_.Why();
  AddKitDevices();
  EXPECT_EQ(vol->SetMasterScalar(0.5f), err::kSuccess);
  EXPECT_EQ(List(*audio_, Flow::kRender).size(), 2u);
}

std::wstring IdOf(platform::AudioSystem& audio, Flow flow, const std::wstring& name) {
  const auto all = List(audio, flow);
  const EndpointInfo* e = Named(all, name);
  return e ? e->id : L"";
}

TEST_F(PulseTest, ProcessingPutsAFilterInFrontAndRemovalGivesTheDefaultBack) {
  std::string why;
  if (!PulseDaemon::CanLoadBuiltPlugins(&why)) GTEST_SKIP() << why;
  ASSERT_EQ(daemon_.Pactl(std::string("set-default-sink ") + kDongleSink), 0);
  const std::wstring headset = IdOf(*audio_, Flow::kRender, L"Headset Speakers");
  const std::wstring dongle = IdOf(*audio_, Flow::kRender, L"Dongle Speakers");
  const std::string filter = std::string("oro_filter.") + kHeadsetSink;
  std::string out;

  ASSERT_EQ(audio_->InstallProcessing(headset), err::kSuccess);
  ASSERT_EQ(audio_->InstallProcessing(headset), err::kSuccess);  // a second install changes nothing
  daemon_.Pactl("get-default-sink", &out);
  EXPECT_EQ(out, filter + "\n");
  out.clear();
  daemon_.Pactl("list short sinks", &out);
  EXPECT_EQ(out.find(filter), out.rfind(filter)) << "one filter only: " << out;
  // The filter is no endpoint of its own; the headset behind it is the default.
  EXPECT_EQ(List(*audio_, Flow::kRender).size(), 2u);
  std::unique_ptr<platform::AudioEndpoint> ep;
  ASSERT_EQ(audio_->GetDefaultEndpoint(Flow::kRender, Role::kConsole, &ep), err::kSuccess);
  EXPECT_EQ(ep->Info().id, headset);
  bool installed = false;
  ASSERT_EQ(audio_->ProcessingInstalled(headset, &installed), err::kSuccess);
  EXPECT_TRUE(installed);
  ASSERT_EQ(audio_->ProcessingInstalled(dongle, &installed), err::kSuccess);
  EXPECT_FALSE(installed);

  // Removal by another process's adapter still knows the previous default.
  platform::pulse::PulseOptions options;
  options.server = daemon_.Server();
  auto other = platform::pulse::MakePulseAudioSystem(options);
  ASSERT_EQ(other->RemoveProcessing(headset), err::kSuccess);
  out.clear();
  daemon_.Pactl("get-default-sink", &out);
  EXPECT_EQ(out, std::string(kDongleSink) + "\n");
  ASSERT_EQ(audio_->ProcessingInstalled(headset, &installed), err::kSuccess);
  EXPECT_FALSE(installed);
  EXPECT_EQ(audio_->RemoveProcessing(headset), err::kSuccess);  // nothing left to remove
}

TEST_F(PulseTest, ProcessingRefusesWhatItCannotDo) {
  const std::wstring mic = IdOf(*audio_, Flow::kCapture, L"Headset Microphone");
  EXPECT_EQ(audio_->InstallProcessing(mic), err::kNotSupported);
  EXPECT_EQ(audio_->InstallProcessing(L"{0.0.0.00000000}.{00000000-0000-0000-0000-000000000000}"), err::kNotFound);
  EXPECT_EQ(audio_->InstallProcessing(L"not an id"), err::kNotFound);

  platform::pulse::PulseOptions options;
  options.server = daemon_.Server();
  options.plugin_path = root_.Path() + "/missing/OroSoundAPO.so";
  auto without_plugin = platform::pulse::MakePulseAudioSystem(options);
  EXPECT_EQ(without_plugin->InstallProcessing(IdOf(*audio_, Flow::kRender, L"Headset Speakers")), err::kFileNotFound);
  std::string out;
  daemon_.Pactl("get-default-sink", &out);
  EXPECT_EQ(out, std::string(kHeadsetSink) + "\n");
}

}  // namespace
}  // namespace oro::test
