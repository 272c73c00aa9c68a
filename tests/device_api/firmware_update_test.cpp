// The firmware update against the simulated headset: packets, progress and
// result for images of every shape, the device setting the pace, an early end,
// and every way the device can fail the sender.
#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

#include "oro/common/hid_device.h"
#include "oro/device_api/firmware_update.h"
#include "oro/device_api/library_context.h"
#include "oro/platform/make_platform.h"
#include "oro_ecd_api.h"
#include "sim_hid_fixture.h"

namespace oro::device_api {
namespace {

using Calls = std::vector<std::pair<int, int>>;  // (stage, value)

void Record(void* context, std::int32_t value, std::int32_t stage) {
  static_cast<Calls*>(context)->emplace_back(stage, value);
}

std::vector<std::uint8_t> Image(std::size_t size) {
  std::vector<std::uint8_t> image(size);
  for (std::size_t i = 0; i < size; ++i) image[i] = static_cast<std::uint8_t>(i * 7 + 1);
  return image;
}

class FirmwareUpdateTest : public test::SimHidFixture {
 protected:
  void SetUp() override {
    SimHidFixture::SetUp();
    // The device ends the write once packets stop for this long.
    Sim("headset fw-gap 60");
    Sim("headset fw-result 7");
  }

  std::int32_t Run(const std::vector<std::uint8_t>& image, Calls* calls, FirmwareBounds bounds = Quick()) {
    return RunFirmwareUpdate(*bus_, Record, calls, image.data(), static_cast<std::int32_t>(image.size()), 2, bounds);
  }

  static FirmwareBounds Quick() {
    FirmwareBounds b;
    b.mode_ms = 1500;
    b.pace_ms = 1500;
    b.end_ms = 3000;
    return b;
  }

  std::vector<std::uint8_t> Received() {
    std::ifstream in(bus_dir_ + "/headset.firmware", std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
  }

  static std::vector<std::uint8_t> Padded(std::vector<std::uint8_t> image) {
    image.resize((image.size() + 62) / 63 * 63, 0);
    return image;
  }
};

TEST_F(FirmwareUpdateTest, ImagesOfEveryShapeArriveWholeWithProgressAndTheDevicesResult) {
  struct Case {
    std::size_t size;
    int pace_every;
    Calls progress;  // stage 4 values, then the rest
  };
  const Case cases[] = {
      // Whole packets only: straight to the end wait after the second.
      {126, 32, {{4, 50}, {4, 100}, {4, 100}, {5, 0}, {6, 7}}},
      // One whole packet, then the short one once the device says stream.
      {70, 32, {{4, 100}, {4, 100}, {5, 0}, {6, 7}}},
      // Shorter than a packet: the only packet is the last one.
      {10, 32, {{4, 100}, {5, 0}, {6, 7}}},
      // Ten packets, each paced by the device.
      {630,
       1,
       {{4, 10},
        {4, 20},
        {4, 30},
        {4, 40},
        {4, 50},
        {4, 60},
        {4, 70},
        {4, 80},
        {4, 90},
        {4, 100},
        {4, 100},
        {5, 0},
        {6, 7}}},
  };
  for (const Case& c : cases) {
    Sim("headset fw-pace " + std::to_string(c.pace_every));
    const auto image = Image(c.size);
    Calls calls;
    ASSERT_EQ(Run(image, &calls), 7) << c.size;
    Calls expected = {{0, 0}, {1, 0}, {2, 0}, {3, 0}};
    expected.insert(expected.end(), c.progress.begin(), c.progress.end());
    EXPECT_EQ(calls, expected) << c.size;
    EXPECT_EQ(Received(), Padded(image)) << c.size;
    EXPECT_NE(Sim("headset state").find("mode=2"), std::string::npos);
  }
}

TEST_F(FirmwareUpdateTest, AnEndStatusDuringStreamingStopsTheSender) {
  Sim("headset fw-end-after 3");
  Sim("headset fw-pace 1");
  Calls calls;
  ASSERT_EQ(Run(Image(630), &calls), 7);
  EXPECT_EQ(calls.back(), std::make_pair(6, 7));
  for (const auto& call : calls) EXPECT_NE(call.first, 5) << "no end wait after an early end";
  const auto image = Image(630);
  EXPECT_EQ(Received(), std::vector<std::uint8_t>(image.begin(), image.begin() + 3 * 63));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_NE(Sim("headset state").find("packets=3 "), std::string::npos);
}

TEST_F(FirmwareUpdateTest, ASilentSlowOrVanishingDeviceEndsTheUpdateWithItsOwnResult) {
  Calls calls;
  Sim("headset silent 1");
  EXPECT_EQ(Run(Image(200), &calls), ORO_ERR_TIMEOUT);
  EXPECT_EQ(calls.back(), std::make_pair(2, 0));
  Sim("headset silent 0");

  // Slow answers are waited for: the device still sets the pace.
  Sim("headset slow 30");
  Sim("headset fw-pace 1");
  calls.clear();
  EXPECT_EQ(Run(Image(200), &calls), 7);
  Sim("headset slow 0");

  // Gone after four packets: the next write or read says so at once.
  Sim("headset unplug-after-packets 4");
  calls.clear();
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(Run(Image(2000), &calls), ORO_ERR_DEVICE_LOST);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

TEST_F(FirmwareUpdateTest, TheExportRefusesBadImagesAndReportsMissingDevices) {
  SetLibraryPlatform(
      platform::MakePlatform(platform::Profile::kSim, platform::ResolveStatePaths(root_.Path().c_str())));
  Calls calls;
  const std::uint8_t byte = 0;
  EXPECT_EQ(_update_3031_fw(Record, &calls, nullptr, 10, 1), ORO_ERR_INVALID_ARGUMENT);
  EXPECT_EQ(_update_3031_fw(Record, &calls, &byte, -1, 1), ORO_ERR_INVALID_ARGUMENT);
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(Sim("headset state").find("mode=1"), std::string::npos);

  Sim("headset unplug");
  Sim("dongle unplug");
  EXPECT_EQ(_update_3031_fw(Record, &calls, &byte, 1, 1), 0);
  EXPECT_EQ(calls, (Calls{{0, 0}}));
  // The dongle alone is updated when the headset is away.
  Sim("dongle plug");
  Sim("dongle fw-gap 30");
  Sim("dongle fw-result 0");
  calls.clear();
  EXPECT_EQ(_update_3031_fw(Record, &calls, &byte, 1, 1), 0);
  EXPECT_EQ(calls.back(), std::make_pair(6, 0));
}

}  // namespace
}  // namespace oro::device_api
