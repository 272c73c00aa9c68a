// What the hidraw adapter derives from a report descriptor: top-level
// collections with their usage, report IDs and report lengths counted as the
// class driver counts them (report ID byte included, unnumbered too).
#include "oro/platform/linux/hid_report_descriptor.h"

#include <gtest/gtest.h>

#include <vector>

namespace oro::platform::linux_host {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The headset's interface: control (report 2, 64 bytes each way, with a
// nested collection), consumer keys (report 1, 16 bits), update control
// (report 0x55, 63 bytes each way) and update data (report 0x41, out only).
const Bytes kHeadsetInterface = {0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x02, 0x15, 0x00, 0x26, 0xFF, 0x00,
                                 0x75, 0x08, 0x95, 0x20, 0x09, 0x01, 0x81, 0x02, 0xA1, 0x02, 0x95, 0x20, 0x09, 0x01,
                                 0x81, 0x02, 0xC0, 0x95, 0x40, 0x09, 0x01, 0x91, 0x02, 0xC0,  // collection 1
                                 0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x01, 0x75, 0x01, 0x95, 0x10, 0x09, 0xE9,
                                 0x81, 0x02, 0xC0, 0x06, 0x02, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x55, 0x75, 0x08,
                                 0x95, 0x3F, 0x09, 0x01, 0x81, 0x02, 0x09, 0x01, 0x91, 0x02, 0xC0,  // collection 3
                                 0x06, 0x03, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x41, 0x95, 0x3F, 0x09, 0x01, 0x91,
                                 0x02, 0xC0};

const Bytes kMouse = {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x09, 0x01, 0xA1, 0x00, 0x05, 0x09, 0x19,
                      0x01, 0x29, 0x03, 0x15, 0x00, 0x25, 0x01, 0x95, 0x03, 0x75, 0x01, 0x81, 0x02,
                      0x95, 0x01, 0x75, 0x05, 0x81, 0x01, 0x05, 0x01, 0x09, 0x30, 0x09, 0x31, 0x15,
                      0x81, 0x25, 0x7F, 0x75, 0x08, 0x95, 0x02, 0x81, 0x06, 0xC0, 0xC0};

TEST(ReportDescriptor, EachTopLevelCollectionGetsItsUsageReportIdsAndLengths) {
  std::vector<HidTopCollection> c;
  ASSERT_TRUE(ParseReportDescriptor(kHeadsetInterface.data(), kHeadsetInterface.size(), &c));
  ASSERT_EQ(c.size(), 4u);
  EXPECT_EQ(c[0].usage_page, 0xFF00);
  EXPECT_EQ(c[0].usage, 0x0001);
  EXPECT_EQ(c[0].report_ids, Bytes{0x02});
  EXPECT_EQ(c[0].input_report_length, 65);  // 32 + 32 bytes across the nested collection
  EXPECT_EQ(c[0].output_report_length, 65);
  EXPECT_EQ(c[1].usage_page, 0x000C);
  EXPECT_EQ(c[1].input_report_length, 3);
  EXPECT_EQ(c[1].output_report_length, 0);
  EXPECT_EQ(c[2].report_ids, Bytes{0x55});
  EXPECT_EQ(c[2].input_report_length, 64);
  EXPECT_EQ(c[2].output_report_length, 64);
  EXPECT_EQ(c[3].report_ids, Bytes{0x41});
  EXPECT_EQ(c[3].input_report_length, 0);
  EXPECT_EQ(c[3].input_report_ids, Bytes{});
  EXPECT_EQ(c[3].output_report_length, 64);

  ASSERT_TRUE(ParseReportDescriptor(kMouse.data(), kMouse.size(), &c));
  ASSERT_EQ(c.size(), 1u);
  EXPECT_EQ(c[0].usage, 0x0002);
  EXPECT_TRUE(c[0].report_ids.empty());
  EXPECT_EQ(c[0].input_report_length, 4);  // 3 bytes of data and the 0 report ID
}

TEST(ReportDescriptor, TruncatedOrUnbalancedDescriptorsAreRefused) {
  std::vector<HidTopCollection> c;
  const Bytes truncated(kHeadsetInterface.begin(), kHeadsetInterface.begin() + 12);
  EXPECT_FALSE(ParseReportDescriptor(truncated.data(), truncated.size(), &c));
  EXPECT_TRUE(c.empty());
  const Bytes open_collection = {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02};
  EXPECT_FALSE(ParseReportDescriptor(open_collection.data(), open_collection.size(), &c));
  const Bytes stray_end = {0xC0};
  EXPECT_FALSE(ParseReportDescriptor(stray_end.data(), stray_end.size(), &c));
  const Bytes report_outside = {0x75, 0x08, 0x95, 0x01, 0x81, 0x02};
  EXPECT_FALSE(ParseReportDescriptor(report_outside.data(), report_outside.size(), &c));
  const Bytes report_id_zero = {0x05, 0x01, 0x09, 0x02, 0xA1, 0x01, 0x85, 0x00, 0xC0};
  EXPECT_FALSE(ParseReportDescriptor(report_id_zero.data(), report_id_zero.size(), &c));
}

}  // namespace
}  // namespace oro::platform::linux_host
