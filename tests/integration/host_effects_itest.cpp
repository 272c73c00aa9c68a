// Effect registration on a desktop, through oroctl as its own process on the
// host profile against a private sound server: the server's devices listed
// as endpoints, copied into the store's endpoint tree, the kit's processing
// put in front of the outputs (the filter sinks, one made the default) and
// taken away again with the default given back.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "oro/common/apo_keys.h"
#include "oro/common/registry_access.h"
#include "oro/platform/make_platform.h"
#include "pulse_daemon.h"
#include "temp_root.h"

namespace oro::test {
namespace {

constexpr const char* kHeadset = "oro_fx_headset";
constexpr const char* kDongle = "oro_fx_dongle";

std::string Usb(const std::string& description, const std::string& product, const std::string& serial) {
  return "device.description='" + description + "' device.bus=usb device.vendor.id=040b device.product.id=" + product +
         " device.serial=" + serial + " device.product.name='OroSound Gaming Headset'";
}

// The line of a one-object-per-line JSON list that mentions `needle`.
std::string RowWith(const std::string& rows, const std::string& needle) {
  std::istringstream in(rows);
  std::string line, found;
  int count = 0;
  while (std::getline(in, line)) {
    if (line.find(needle) != std::string::npos) {
      found = line;
      ++count;
    }
  }
  EXPECT_EQ(count, 1) << needle << " in\n" << rows;
  return found;
}

class HostEffectsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("ORO_ROOT", root_.Path().c_str(), 1);
    setenv("ORO_PLATFORM", "host", 1);
    setenv("PULSE_SERVER", daemon_.Server().c_str(), 1);
    std::string why;
    if (!PulseDaemon::CanLoadBuiltPlugins(&why)) GTEST_SKIP() << why;
    if (!daemon_.Start()) GTEST_SKIP() << daemon_.Why();
    headset_module_ = daemon_.LoadSink(kHeadset, Usb("Headset Speakers", "f779", "OS-HS-0001"));
    dongle_module_ = daemon_.LoadSink(kDongle, Usb("Dongle Speakers", "f778", "OS-DG-0001"));
    ASSERT_GE(headset_module_, 0);
    ASSERT_GE(dongle_module_, 0);
    ASSERT_GE(daemon_.LoadSource("oro_fx_mic", Usb("Headset Microphone", "f779", "OS-HS-0001"), kHeadset), 0);
    ASSERT_EQ(daemon_.Pactl(std::string("set-default-sink ") + kDongle), 0);
    ASSERT_EQ(daemon_.Pactl("set-sink-volume " + std::string(kHeadset) + " 40%"), 0);
  }

  std::string Oroctl(const std::string& args, int expect = 0) {
    std::string out;
    EXPECT_EQ(RunCommand(BuiltFile("oroctl") + " " + args + " 2>&1", &out), expect) << args << ":\n" << out;
    return out;
  }
  std::string Pactl(const std::string& args) {
    std::string out;
    EXPECT_EQ(daemon_.Pactl(args, &out), 0) << args;
    return out;
  }

  TempRoot root_;
  PulseDaemon daemon_{root_.Path()};
  int headset_module_ = -1;
  int dongle_module_ = -1;
};

TEST_F(HostEffectsTest, EndpointsAreListedInstalledOnAndRemovedFromTheSoundServer) {
  // Listed with the devices' identity, volume and the roles they are default for.
  const std::string rows = Oroctl("endpoints --json");
  const std::string headset = RowWith(rows, "\"Headset Speakers\"");
  EXPECT_NE(headset.find("\"flow\": \"render\""), std::string::npos) << headset;
  EXPECT_NE(headset.find("\"state\": \"active\""), std::string::npos) << headset;
  EXPECT_NE(headset.find("\"vid\": \"040B\", \"pid\": \"F779\""), std::string::npos) << headset;
  EXPECT_NE(headset.find("\"volume\": 40,"), std::string::npos) << headset;
  EXPECT_NE(headset.find("\"default_roles\": []"), std::string::npos) << headset;
  const std::string dongle = RowWith(rows, "\"Dongle Speakers\"");
  EXPECT_NE(dongle.find("\"default_roles\": [\"console\", \"multimedia\", \"communications\"]"), std::string::npos)
      << dongle;
  const std::string mic = RowWith(rows, "\"Headset Microphone\"");
  EXPECT_NE(mic.find("\"flow\": \"capture\""), std::string::npos) << mic;
  EXPECT_EQ(rows.find("monitor"), std::string::npos) << "monitors are no endpoints:\n" << rows;
  EXPECT_NE(Oroctl("endpoints").find("render   active        40%    0  040B:F779  -"), std::string::npos);
  Oroctl("endpoints --xml", 2);

  // Installed on every endpoint: slots in the tree, a filter in front of each output.
  EXPECT_NE(Oroctl("apo install --all").find("3 endpoint(s) changed"), std::string::npos);
  const std::string sinks = Pactl("list short sinks");
  EXPECT_NE(sinks.find(std::string("oro_filter.") + kHeadset), std::string::npos) << sinks;
  EXPECT_NE(sinks.find(std::string("oro_filter.") + kDongle), std::string::npos) << sinks;
  EXPECT_EQ(Pactl("get-default-sink").rfind("oro_filter.", 0), 0u);
  const std::string status = Oroctl("apo status --json");
  EXPECT_NE(RowWith(status, "\"Headset Speakers\"").find("\"installed\": true"), std::string::npos);
  EXPECT_NE(RowWith(status, "\"Headset Microphone\"").find("\"installed\": true"), std::string::npos);
  // The filters are not endpoints of their own.
  const std::string with_filters = Oroctl("endpoints --json");
  EXPECT_EQ(with_filters.find("(OroSound)"), std::string::npos) << with_filters;
  RowWith(with_filters, "\"Headset Speakers\"");

  // Removed: the filters go and the default goes back to where it was.
  EXPECT_NE(Oroctl("apo uninstall --all").find("3 endpoint(s) changed"), std::string::npos);
  EXPECT_EQ(Pactl("list short sinks").find("oro_filter."), std::string::npos);
  EXPECT_EQ(Pactl("get-default-sink"), std::string(kDongle) + "\n");

  // An unplugged device stays in the tree, as not present, with its slots kept.
  Oroctl("apo install --all");
  ASSERT_EQ(daemon_.Pactl("unload-module " + std::to_string(dongle_module_)), 0);
  EXPECT_NE(Oroctl("apo install --all").find("0 endpoint(s) changed"), std::string::npos);
  platform::Platform p =
      platform::MakePlatform(platform::Profile::kHost, platform::ResolveStatePaths(root_.Path().c_str()));
  common::RegistryAccess reg(*p.registry, p.system.get());
  const std::wstring render = std::wstring(common::apo::kMainTree) + L"\\Render";
  int present = 0, gone = 0;
  for (const auto& key : reg.EnumerateSubKeys(render)) {
    const std::wstring endpoint = render + L"\\" + key;
    const std::wstring path = reg.ReadString(endpoint + common::apo::kPropertiesPart, common::apo::kPkeyDevicePathOld);
    const std::uint32_t state = reg.ReadDword(endpoint, common::apo::kDeviceState);
    if (path == L"{1}.USB\\VID_040B&PID_F779\\OS-HS-0001") {
      EXPECT_EQ(state, 1u);
      ++present;
    } else {
      EXPECT_EQ(path, L"{1}.USB\\VID_040B&PID_F778\\OS-DG-0001");
      EXPECT_EQ(state, common::apo::kStateNotPresent);
      EXPECT_TRUE(reg.KeyExists(endpoint + common::apo::kFxPropertiesPart));
      ++gone;
    }
  }
  EXPECT_EQ(present, 1);
  EXPECT_EQ(gone, 1);
  EXPECT_EQ(Pactl("get-default-sink"), std::string("oro_filter.") + kHeadset + "\n");
}

}  // namespace
}  // namespace oro::test
