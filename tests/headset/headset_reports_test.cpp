// Decoding what the device sends: which update statuses count and which are
// ignored, and the 7.1 key notification.
#include "oro/headset/headset_reports.h"

#include <gtest/gtest.h>

#include <vector>

namespace oro::headset {
namespace {

std::vector<std::uint8_t> Status(std::uint8_t id, std::uint8_t code, std::uint8_t arg, std::size_t size = 64) {
  std::vector<std::uint8_t> r(size, 0);
  r[0] = id;
  r[1] = code;
  r[2] = arg;
  return r;
}

TEST(UpdateStatusDecoding, OnlyWholeReportsWithTheControlIdCountForFlowAndEnd) {
  int result = -1;
  auto decode = [&](const std::vector<std::uint8_t>& r) { return DecodeUpdateStatus(r.data(), r.size(), &result); };
  EXPECT_EQ(decode(Status(0x55, 0x60, 0xFF)), UpdateStatus::kPace);
  EXPECT_EQ(decode(Status(0x55, 0x60, 0x00)), UpdateStatus::kStream);
  EXPECT_EQ(decode(Status(0x55, 0x60, 0x01)), UpdateStatus::kNone);
  EXPECT_EQ(decode(Status(0x54, 0x60, 0xFF)), UpdateStatus::kNone);
  EXPECT_EQ(decode(Status(0x55, 0x60, 0xFF, 63)), UpdateStatus::kNone);
  EXPECT_EQ(decode(Status(0x00, 0x01, 0x09)), UpdateStatus::kNone);
  EXPECT_EQ(result, -1);
  EXPECT_EQ(decode(Status(0x55, 0x01, 0x09)), UpdateStatus::kEnd);
  EXPECT_EQ(result, 9);
  // The mode acknowledgement is taken from any read that brought data.
  EXPECT_EQ(decode(Status(0x00, 0x02, 0x01, 3)), UpdateStatus::kModeEntered);
  EXPECT_EQ(DecodeUpdateStatus(nullptr, 64, &result), UpdateStatus::kNone);
}

TEST(KeyReports, TheNotificationNeedsAllFiveMarkerBytes) {
  const std::uint8_t key[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0x55};
  const std::uint8_t other[5] = {0xFF, 0xFF, 0xFF, 0xFE, 0x01};
  EXPECT_TRUE(IsVirtual71Key(key, sizeof key));
  EXPECT_FALSE(IsVirtual71Key(key, 4));
  EXPECT_FALSE(IsVirtual71Key(other, sizeof other));
  const Payload broadcast = BuildVirtual71Broadcast(1);
  EXPECT_EQ(std::vector<std::uint8_t>(broadcast.begin(), broadcast.begin() + 6),
            (std::vector<std::uint8_t>{0xFF, 0x00, 0x00, 0x0A, 0x01, 0x00}));
}

}  // namespace
}  // namespace oro::headset
