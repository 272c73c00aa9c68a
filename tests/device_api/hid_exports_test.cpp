// The library's HID exports against the simulated headset and dongle: exact
// wire bytes, the status reply, the 7.1 key and its acknowledgement, and the
// results a silent, missing or vanishing device gives. On Windows, where no
// scripted device can be offered, the exports on the system's HID class with
// none of the kit's devices present (Wine offers a mouse and a keyboard).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "oro/common/hid_device.h"
#include "oro/device_api/library_context.h"
#include "oro/headset/headset_reports.h"
#include "oro/platform/make_platform.h"
#include "oro_ecd_api.h"
#ifdef _WIN32
#include "oro/platform/windows/windows_adapters.h"
#else
#include "sim_hid_fixture.h"
#endif

namespace oro::device_api {
namespace {

#ifdef _WIN32
TEST(SetupApiHidExports, WithoutTheKitsDevicesNothingIsFoundSentOrWritten) {
  platform::Platform p;
  p.hid = platform::windows_host::MakeSetupApiHidBus();
  SetLibraryPlatform(p);

  // Whatever else the machine has, every HID interface is listed with its path.
  hid_device_info* all = hid_enumerate(0, 0);
  int listed = 0;
  bool kits = false;
  for (auto* e = all; e; e = e->next) {
    ++listed;
    EXPECT_NE(e->path, nullptr);
    EXPECT_TRUE(e->path && *e->path);
    kits = kits || e->vendor_id == 0x040B;
  }
  hid_free_enumeration(all);
  if (kits) GTEST_SKIP() << "one of the kit's devices is plugged in";
  if (listed == 0) GTEST_SKIP() << "the machine has no HID interface at all";

  EXPECT_EQ(hid_enumerate(0x040B, 0xF779), nullptr);
  EXPECT_EQ(getDeviceCount(), 0);
  std::uint32_t v = 1, pid = 2, i = 3, r = 4;
  EXPECT_EQ(_find_usb_device(&v, &pid, &i, &r), 0);
  EXPECT_EQ(std::vector<std::uint32_t>({v, pid, i, r}), std::vector<std::uint32_t>({1, 2, 3, 4}));
  EXPECT_EQ(_is_usb_connected(0x040B, 0xF778, 3, 2), -1);
  const headset::Payload query = headset::BuildStatusQuery();
  std::uint8_t in[64];
  EXPECT_EQ(_hid_trans_data(0x040B, 0xF779, 3, 2, query.data(), in), -1);
  EXPECT_EQ(_hid_trans_data(0x040B, 0xF779, 3, 2, query.data(), nullptr), -1);
  EXPECT_EQ(hid_open_intf_col(0x040B, 0xF779, 3, 3), nullptr);
  EXPECT_EQ(hid_open_path("\\\\?\\hid#no_such_device#0"), nullptr);
  EXPECT_NE(hid_error(nullptr), nullptr);
}
#else

class HidExportsTest : public test::SimHidFixture {
 protected:
  void SetUp() override {
    SimHidFixture::SetUp();
    SetLibraryPlatform(
        platform::MakePlatform(platform::Profile::kSim, platform::ResolveStatePaths(root_.Path().c_str())));
  }

  static int32_t Transfer(const headset::Payload* out, std::uint8_t* in, std::uint32_t pid = 0xF779) {
    return _hid_trans_data(0x040B, pid, 3, 2, out ? out->data() : nullptr, in);
  }
};

TEST_F(HidExportsTest, TheDefaultLightingCommandGoesOutByteForByte) {
  const headset::Payload light = headset::BuildLighting(headset::Lighting{});
  ASSERT_EQ(Transfer(&light, nullptr), 1);
  std::string expected = "02 0A 01 01 26 5A 5A";
  for (int i = 0; i < 58; ++i) expected += " 00";
  EXPECT_EQ(Sim("headset lighting"), expected + "\n");
  // Colours past 255 go out as 255.
  const headset::Payload bright = headset::BuildLighting({3, 20, 300, 0, 255});
  ASSERT_EQ(Transfer(&bright, nullptr), 1);
  EXPECT_NE(Sim("headset lighting").find("\n02 0A 03 14 FF 00 FF 00"), std::string::npos);
}

TEST_F(HidExportsTest, TheStatusReplyDecodesToTheBatteryFigures) {
  struct Case {
    const char* status;
    bool linked, charging;
    int percent, image;
  };
  for (const Case& c :
       {Case{"1 0 8", true, false, 90, 10}, Case{"1 0 3", true, false, 40, 4}, Case{"1 0 9", true, false, 100, 10},
        Case{"1 1 2", true, true, 30, 0}, Case{"0 0 5", false, false, 60, 0}}) {
    Sim(std::string("headset set-status ") + c.status);
    const headset::Payload query = headset::BuildStatusQuery();
    std::uint8_t in[80];
    std::fill(std::begin(in), std::end(in), 0xEE);
    ASSERT_EQ(Transfer(&query, in), 1) << c.status;
    EXPECT_EQ(in[64], 0xEE) << "the reply ran past the 64-byte buffer";
    headset::HeadsetStatus s;
    ASSERT_TRUE(headset::DecodeStatus(in, 64, &s));
    EXPECT_EQ(s.linked, c.linked) << c.status;
    EXPECT_EQ(s.charging, c.charging) << c.status;
    EXPECT_EQ(s.percent, c.percent) << c.status;
    EXPECT_EQ(s.image_index, c.image) << c.status;
  }
}

TEST_F(HidExportsTest, ResultsSayWhetherTheDeviceAnsweredWasSilentOrIsMissing) {
  const headset::Payload query = headset::BuildStatusQuery();
  std::uint8_t in[64];
  Sim("headset silent 1");
  EXPECT_EQ(Transfer(&query, in), 0);
  // Without a reply buffer only finding the device counts.
  EXPECT_EQ(Transfer(&query, nullptr), 1);
  EXPECT_EQ(_hid_trans_data(0, 0, 0, 0, query.data(), in), -1);
  EXPECT_EQ(Transfer(&query, in, 0xF000), -1);
  EXPECT_EQ(_is_usb_connected(0x040B, 0xF778, 3, 2), 1);
  EXPECT_EQ(_is_usb_connected(0x040B, 0xF778, 3, 9), -1);

  // Unplugged while the reply is awaited: the call ends at once with -1.
  Sim("dongle slow 5000");
  std::atomic<int32_t> result{99};
  std::thread caller([&] {
    std::uint8_t reply[64];
    result = Transfer(&query, reply, 0xF778);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(15));
  Sim("dongle unplug");
  caller.join();
  EXPECT_TRUE(result == -1 || result == 0) << result;
  EXPECT_EQ(_is_usb_connected(0x040B, 0xF778, 3, 2), -1);
}

TEST_F(HidExportsTest, FindUsbDeviceWritesOnlyWhenItFindsOne) {
  std::uint32_t v = 1, p = 2, i = 3, r = 4;
  ASSERT_EQ(_find_usb_device(&v, &p, &i, &r), 1);
  EXPECT_EQ(v, 0x040Bu);
  EXPECT_EQ(p, 0xF779u);
  EXPECT_EQ(i, 3u);
  EXPECT_EQ(r, 2u);
  EXPECT_EQ(_find_usb_device(nullptr, &p, nullptr, nullptr), 1);
  Sim("headset unplug");
  Sim("dongle unplug");
  v = 1, p = 2, i = 3, r = 4;
  EXPECT_EQ(_find_usb_device(&v, &p, &i, &r), 0);
  EXPECT_EQ(std::vector<std::uint32_t>({v, p, i, r}), std::vector<std::uint32_t>({1, 2, 3, 4}));
}

TEST_F(HidExportsTest, TheVirtual71KeyIsAcknowledgedWithTheNewState) {
  common::HidDevice listener(bus_);
  ASSERT_TRUE(listener.open(0x040B, 0xF779, 3, 2));
  for (std::uint8_t state_before : {0, 1}) {
    Sim("headset press-71");
    std::uint8_t payload[64] = {};
    ASSERT_EQ(listener.read(payload, sizeof payload, 2, 2000), listener.inputReportLength());
    ASSERT_TRUE(headset::IsVirtual71Key(payload, sizeof payload));
    const headset::Payload ack = headset::BuildVirtual71Ack(state_before);
    ASSERT_TRUE(listener.write(ack.data(), ack.size(), 2, 1000));
    const std::string state = Sim("headset state");
    EXPECT_NE(state.find("virtual71=" + std::to_string(state_before ^ 1)), std::string::npos) << state;
  }
  EXPECT_NE(Sim("headset state").find("acks=2"), std::string::npos);
}

TEST_F(HidExportsTest, TheHidapiNamesReachTheUpdateCollections) {
  hid_device_info* list = hid_enumerate(0x040B, 0xF779);
  int n = 0;
  for (auto* e = list; e; e = e->next) {
    ++n;
    EXPECT_EQ(e->interface_number, 3);
  }
  hid_free_enumeration(list);
  EXPECT_EQ(n, 4);
  hid_device* control = hid_open_intf_col(0x040B, 0xF779, 3, 3);
  ASSERT_NE(control, nullptr);
  EXPECT_EQ(hid_open_intf_col(0x040B, 0xF779, 3, 0), nullptr);  // "col00" never exists
  const unsigned char enter[3] = {0x55, 0x55, 0x01};
  ASSERT_EQ(hid_write(control, enter, sizeof enter), 64);
  unsigned char reply[64];
  ASSERT_EQ(hid_read_timeout(control, reply, sizeof reply, 2000), 64);
  EXPECT_EQ(reply[1], 0x02);
  EXPECT_EQ(reply[2], 0x01);
  wchar_t product[64];
  ASSERT_EQ(hid_get_product_string(control, product, 64), 0);
  EXPECT_EQ(std::wstring(product), L"OroSound Gaming Headset");
  EXPECT_EQ(hid_send_feature_report(control, enter, sizeof enter), -1);
  EXPECT_NE(hid_error(control), nullptr);
  hid_close(control);
  EXPECT_EQ(hid_open_path("/no/such/device"), nullptr);
  EXPECT_NE(hid_error(nullptr), nullptr);
}
#endif

}  // namespace
}  // namespace oro::device_api
