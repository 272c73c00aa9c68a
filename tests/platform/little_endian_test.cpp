// The byte codec every stored value, file record and the shared section use:
// the same bytes on every host, signed values and floats included.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "oro/platform/little_endian.h"

namespace oro::platform {
namespace {

TEST(LittleEndian, KnownBytesInEveryWidthAndSign) {
  const std::uint8_t bytes[8] = {0xFC, 0xFF, 0xFF, 0xFF, 0x01, 0x02, 0x03, 0x84};
  EXPECT_EQ(LoadLe<std::uint16_t>(bytes), 0xFFFCu);
  EXPECT_EQ(LoadLe<std::int32_t>(bytes), -4);  // a capacity header read from a damaged section
  EXPECT_EQ(LoadLe<std::uint32_t>(bytes + 4), 0x84030201u);
  EXPECT_EQ(LoadLe<std::uint64_t>(bytes), 0x84030201FFFFFFFCull);

  std::uint8_t out[8] = {};
  StoreLe<std::int32_t>(out, -4);
  StoreLe<std::uint32_t>(out + 4, 0x84030201u);
  EXPECT_EQ(std::vector<std::uint8_t>(out, out + 8), std::vector<std::uint8_t>(bytes, bytes + 8));
  EXPECT_EQ(LeBytes<std::uint64_t>(0x84030201FFFFFFFCull), std::vector<std::uint8_t>(bytes, bytes + 8));
}

TEST(LittleEndian, FloatsKeepEveryBit) {
  const std::uint8_t one[4] = {0x00, 0x00, 0x80, 0x3F};
  EXPECT_EQ(LoadF32Le(one), 1.0f);
  for (float f : {0.53f, -0.0f, std::numeric_limits<float>::denorm_min(), std::numeric_limits<float>::infinity()}) {
    std::uint8_t b[4];
    StoreF32Le(b, f);
    const float back = LoadF32Le(b);
    EXPECT_EQ(std::signbit(back), std::signbit(f));
    EXPECT_EQ(back, f);
  }
}

}  // namespace
}  // namespace oro::platform
