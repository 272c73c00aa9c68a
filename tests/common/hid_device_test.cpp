// HidDevice and FindSupportedDevice against the kit's simulated headset and
// dongle, with a keyboard and a mouse on the same bus.
#include "oro/common/hid_device.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "open_descriptors.h"
#include "sim_hid_fixture.h"

namespace oro::common {
namespace {

namespace err = platform::err;

class HidDeviceTest : public test::SimHidFixture {};

constexpr HidIdentity kHeadset{0x040B, 0xF779, 3, 2};
constexpr HidIdentity kDongle{0x040B, 0xF778, 3, 2};

int RecordPath(void* context, const std::wstring& path) {
  *static_cast<std::wstring*>(context) = path;
  return 1;
}

TEST_F(HidDeviceTest, TheFirstSupportedDevicePresentIsFoundInListOrder) {
  HidIdentity found;
  ASSERT_TRUE(FindSupportedDevice(*bus_, &found));
  EXPECT_EQ(found, kHeadset);
  Sim("headset unplug");
  ASSERT_TRUE(FindSupportedDevice(*bus_, &found));
  EXPECT_EQ(found, kDongle);
  Sim("dongle unplug");
  HidIdentity untouched{7, 7, 7, 7};
  EXPECT_FALSE(FindSupportedDevice(*bus_, &untouched));
  EXPECT_EQ(untouched, (HidIdentity{7, 7, 7, 7}));
}

TEST_F(HidDeviceTest, MatchingFollowsTheInterfaceAndReportIdRules) {
  HidDevice d(bus_);
  // An empty pattern matches nothing; wildcards find the first interface 3 with report 2.
  EXPECT_FALSE(d.open(0, 0, 0, 0));
  ASSERT_TRUE(d.open(0, 0, 3, 2));
  EXPECT_EQ(d.inputReportLength(), 65);
  EXPECT_EQ(d.outputReportLength(), 65);
  // The update collections answer to their own report IDs with 64-byte reports.
  ASSERT_TRUE(d.open(0x040B, 0xF779, 3, 0x55));
  EXPECT_EQ(d.inputReportLength(), 64);
  ASSERT_TRUE(d.open(0x040B, 0xF779, 3, 0x41));
  EXPECT_EQ(d.inputReportLength(), 0);
  EXPECT_FALSE(d.open(0x040B, 0xF779, 3, 0x33));
  EXPECT_FALSE(d.open(0x040B, 0xF779, 2, 2));
  // A Bluetooth entry's vendor never equals a 16-bit vendor ID.
  EXPECT_FALSE(d.open(0x0100040B, 0xF779, 3, 2));
  // The keyboard and mouse have one interface each and so no interface number.
  EXPECT_FALSE(d.open(0x1D57, 0x0001, 0, 1));
  EXPECT_FALSE(d.open(0x1D57, 0x0002, 0, 0));
  EXPECT_FALSE(d.isOpen());
  EXPECT_EQ(d.inputReportLength(), 0);

  std::wstring path;
  EXPECT_FALSE(d.openFirst(0, 0, 3, 2, RecordPath, &path));  // no wildcards here
  ASSERT_TRUE(d.openFirst(0x040B, 0xF778, 3, 2, RecordPath, &path));
  EXPECT_NE(path.find(L"dongle-3-1"), std::wstring::npos);
  EXPECT_FALSE(d.isOpen());
}

TEST_F(HidDeviceTest, ReportsCarryTheReportIdAndRepliesStayInsideTheCallersBuffer) {
  HidDevice d(bus_);
  ASSERT_TRUE(d.open(kHeadset.vendor_id, kHeadset.product_id, 3, 2));
  Sim("headset set-status 1 0 4");
  const std::uint8_t query[2] = {0x0B, 0x01};
  ASSERT_TRUE(d.write(query, sizeof query, 2, 500));
  std::uint8_t reply[8];
  std::fill(std::begin(reply), std::end(reply), 0xEE);
  ASSERT_EQ(d.read(reply, 4, 2, 2000), 65);
  EXPECT_EQ(std::vector<std::uint8_t>(reply, reply + 5), (std::vector<std::uint8_t>{0x0B, 1, 0, 4, 0xEE}));
  // Nothing pending: the bounded read says it timed out.
  EXPECT_EQ(d.read(reply, sizeof reply, 2, 20), 0);
  EXPECT_EQ(d.lastError(), err::kTimeout);
}

TEST_F(HidDeviceTest, UnpluggingEndsAnUnboundedReadAndLaterWrites) {
  HidDevice d(bus_);
  ASSERT_TRUE(d.open(kHeadset.vendor_id, kHeadset.product_id, 3, 2));
  std::atomic<int> got{-1};
  std::thread reader([&] {
    std::uint8_t buf[64];
    got = d.read(buf, sizeof buf, 2, 0);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  Sim("headset unplug");
  reader.join();
  EXPECT_EQ(got.load(), 0);
  EXPECT_EQ(d.lastError(), err::kDeviceNotConnected);
  const std::uint8_t light[6] = {0x0A, 1, 1, 1, 2, 3};
  EXPECT_FALSE(d.write(light, sizeof light, 2, 500));
  EXPECT_EQ(d.lastError(), err::kDeviceNotConnected);
}

TEST_F(HidDeviceTest, DestroyedObjectsLeaveNoDescriptorsOpen) {
  const std::size_t before = test::StableDescriptors();
  for (int i = 0; i < 10000; ++i) {
    HidDevice d(bus_);
    ASSERT_TRUE(d.open(kDongle.vendor_id, kDongle.product_id, 3, 2)) << "cycle " << i;
  }
  EXPECT_EQ(test::DescriptorsOnceSettled(before), before);
}

}  // namespace
}  // namespace oro::common
