// The HidBus contract on SetupAPI and the HID class driver, and what the
// adapter reads from interface paths and capabilities, checked without a
// device. Wine presents a virtual mouse and keyboard and nothing scriptable:
// the cases needing a scripted collection skip.
#include <windows.h>

#include <chrono>
#include <fstream>

#include "hid_bus_contract.h"
#include "oro/platform/windows/hid_interface_path.h"
#include "oro/platform/windows/windows_adapters.h"
#include "temp_root.h"

namespace oro::test {
namespace {

namespace err = platform::err;
using platform::windows_host::DeclaredReportIds;
using platform::windows_host::FrameOutputReport;
using platform::windows_host::HidIoError;
using platform::windows_host::ParseHidInterfacePath;

class SetupApiHarness final : public HardwareHarness {
 public:
  SetupApiHarness()
      : HardwareHarness(platform::windows_host::MakeSetupApiHidBus(),
                        "HID devices here belong to real hardware, which cannot be scripted or unplugged by a test") {}
  std::string Unavailable() override {
    std::vector<platform::HidInterfaceInfo> all;
    // A failing enumeration is no reason to skip: the contract shows it.
    if (bus_->Enumerate(&all) == err::kSuccess && all.empty()) return "this system presents no HID devices";
    return "";
  }
  // A process may hold millions of handles, so no count of cycles runs them
  // out; the check compares the handle count, which one leaked handle
  // changes. Each open asks the driver several questions, slow under Wine.
  int OpenCloseCycles() const override { return 500; }
};

INSTANTIATE_TEST_SUITE_P(Windows, HidBusContract,
                         ::testing::Values(NamedHarness{"setupapi",
                                                        [] { return std::make_unique<SetupApiHarness>(); }}),
                         [](const auto& info) { return info.param.name; });

TEST(SetupApiHidBus, EnumerationSucceedsWithWhateverIsPresent) {
  auto bus = platform::windows_host::MakeSetupApiHidBus();
  std::vector<platform::HidInterfaceInfo> all(1);
  ASSERT_EQ(bus->Enumerate(&all), err::kSuccess);
  for (std::size_t i = 0; i < all.size(); ++i) {
    EXPECT_FALSE(all[i].path.empty());
    if (i > 0) {
      EXPECT_LT(all[i - 1].path, all[i].path) << "a stable order";
    }
  }
}

TEST(SetupApiHidBus, OnlyAHidCollectionOpensAndARefusalKeepsNoHandle) {
  auto bus = platform::windows_host::MakeSetupApiHidBus();
  TempRoot dir;
  const std::string file = dir.Path() + "/not-a-device";
  std::ofstream(file) << "plain bytes";
  std::unique_ptr<platform::HidConnection> c;
  EXPECT_EQ(bus->Open(dir.Path() + "/missing", &c), err::kFileNotFound);
  EXPECT_EQ(bus->Open("", &c), err::kFileNotFound);
  EXPECT_EQ(bus->Open("\\\\?\\hid#vid_1234&pid_5678&col01#0#{4d1e55b2-f16f-11cf-88cb-001111000030}", &c),
            err::kFileNotFound);
  const std::size_t before = OpenDescriptors();
  for (int i = 0; i < 200; ++i) {
    ASSERT_EQ(bus->Open(file, &c), err::kFileNotFound) << "a file is no HID collection";
    ASSERT_EQ(bus->Open("NUL", &c), err::kFileNotFound) << "nor is another device";
  }
  EXPECT_EQ(c, nullptr);
  EXPECT_EQ(OpenDescriptors(), before);
}

// Whatever collection opens here (Wine presents a mouse and a keyboard that
// never report on their own): a read waits its bound and is cancelled, the
// next read works the same, and a collection without outputs takes no write.
TEST(SetupApiHidBus, AQuietCollectionTimesOutAndOneWithoutOutputsTakesNoWrite) {
  auto bus = platform::windows_host::MakeSetupApiHidBus();
  std::vector<platform::HidInterfaceInfo> all;
  ASSERT_EQ(bus->Enumerate(&all), err::kSuccess);
  std::unique_ptr<platform::HidConnection> c;
  for (const auto& info : all) {
    if (info.input_report_length > 0 && info.output_report_length == 0 && bus->Open(info.path, &c) == err::kSuccess) {
      break;
    }
  }
  if (!c) GTEST_SKIP() << "no collection with inputs and without outputs opens here";
  std::uint8_t buf[256];
  std::size_t got = 99;
  c->Flush();
  for (int round = 0; round < 2; ++round) {
    const auto start = std::chrono::steady_clock::now();
    const platform::ErrorCode code = c->Read(buf, sizeof buf, 60, &got);
    if (code == err::kSuccess) GTEST_SKIP() << "the collection reported input (someone is using it)";
    EXPECT_EQ(code, err::kTimeout) << "round " << round;
    EXPECT_EQ(got, 0u);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(50));
  }
  EXPECT_EQ(c->Read(buf, sizeof buf, 0, &got), err::kTimeout);
  const std::uint8_t report[] = {0, 1};
  EXPECT_EQ(c->Write(report, sizeof report, 100), err::kInvalidParameter);
}

TEST(HidInterfacePath, InterfaceAndCollectionComeFromTheHardwarePartOnly) {
  struct Case {
    const char* path;
    int interface_number;
    int collection;
  } cases[] = {
      {"\\\\?\\hid#vid_1234&pid_5678&mi_01&col02#7&1a2b3c&0&0001#{4d1e55b2-f16f-11cf-88cb-001111000030}", 1, 2},
      {"\\\\?\\HID#VID_1234&PID_5678&MI_0A&COL0B#7&1A2B3C&0&0001#{4D1E55B2-F16F-11CF-88CB-001111000030}", 10, 11},
      {"\\\\?\\hid#vid_1234&pid_5678&mi_03#7&1a2b3c&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}", 3, 0},
      {"\\\\?\\hid#vid_1234&pid_5678&col01#7&1a2b3c&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}", -1, 1},
      {"\\\\?\\hid#vid_1234&pid_5678#7&1a2b3c&0&0000#{4d1e55b2-f16f-11cf-88cb-001111000030}", -1, 0},
      // "mi_" and "col" in the instance part belong to nobody.
      {"\\\\?\\hid#vid_1234&pid_5678#7&mi_05&col03#{4d1e55b2-f16f-11cf-88cb-001111000030}", -1, 0},
      {"\\\\?\\hid#vid_1234&pid_5678&mi_#x#{guid}", -1, 0},
      {"C:\\not\\a\\device", -1, 0},
      {"", -1, 0},
  };
  for (const Case& c : cases) {
    const auto parts = ParseHidInterfacePath(c.path);
    EXPECT_EQ(parts.interface_number, c.interface_number) << c.path;
    EXPECT_EQ(parts.collection, c.collection) << c.path;
  }
}

TEST(HidCapabilities, ReportIdsAreListedOnceAndUnnumberedReportsListNone) {
  EXPECT_EQ(DeclaredReportIds({}), std::vector<std::uint8_t>{});
  EXPECT_EQ(DeclaredReportIds({0, 0, 0}), std::vector<std::uint8_t>{});
  EXPECT_EQ(DeclaredReportIds({7, 3, 7, 0xFF, 3}), (std::vector<std::uint8_t>{3, 7, 0xFF}));
}

TEST(HidCapabilities, OutputReportsArePaddedToTheCollectionsLength) {
  const std::uint8_t report[] = {7, 0x40, 0x41};
  std::vector<std::uint8_t> framed{9, 9};
  ASSERT_EQ(FrameOutputReport(report, sizeof report, 6, &framed), err::kSuccess);
  EXPECT_EQ(framed, (std::vector<std::uint8_t>{7, 0x40, 0x41, 0, 0, 0}));
  ASSERT_EQ(FrameOutputReport(report, sizeof report, 3, &framed), err::kSuccess);
  EXPECT_EQ(framed, (std::vector<std::uint8_t>{7, 0x40, 0x41}));
  EXPECT_EQ(FrameOutputReport(report, 0, 6, &framed), err::kInvalidParameter);
  EXPECT_EQ(FrameOutputReport(report, sizeof report, 2, &framed), err::kInvalidParameter);
  EXPECT_EQ(FrameOutputReport(report, sizeof report, 0, &framed), err::kInvalidParameter);
  EXPECT_TRUE(framed.empty()) << "nothing is sent after a refusal";

  EXPECT_EQ(HidIoError(ERROR_DEVICE_NOT_CONNECTED), err::kDeviceNotConnected);
  EXPECT_EQ(HidIoError(ERROR_BAD_COMMAND), err::kDeviceNotConnected);
  EXPECT_EQ(HidIoError(ERROR_GEN_FAILURE), err::kGenFailure);
  EXPECT_EQ(HidIoError(0), err::kSuccess);
}

}  // namespace
}  // namespace oro::test
