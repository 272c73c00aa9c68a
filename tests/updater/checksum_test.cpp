// The kit's checksum (CRC-32/JAMCRC).
#include <string>

#include <gtest/gtest.h>

#include "oro/common/checksum.h"

namespace oro::common {
namespace {

TEST(Checksum, KnownValues) {
  EXPECT_EQ(Crc32("123456789"), 0x340BC6D9u);
  EXPECT_EQ(Crc32("abc"), 0xCADBBE3Du);
  EXPECT_EQ(Crc32(""), 0xFFFFFFFFu);
  // The complement of the common CRC-32 of the same bytes.
  EXPECT_EQ(~Crc32("The quick brown fox jumps over the lazy dog"), 0x414FA339u);
}

TEST(Checksum, PiecesGiveTheSameResultAsTheWhole) {
  std::string data;
  for (int i = 0; i < 1000; ++i) data.push_back(static_cast<char>(i * 7 + 3));
  std::uint32_t reg = kCrc32Initial;
  reg = Crc32Update(reg, data.data(), 1);
  reg = Crc32Update(reg, data.data() + 1, 500);
  reg = Crc32Update(reg, data.data() + 501, data.size() - 501);
  EXPECT_EQ(reg, Crc32(data));
}

TEST(Checksum, AppendedLittleEndianChecksumClosesTheRegisterToZero) {
  std::string data = "network configuration";
  const std::uint32_t crc = Crc32(data);
  for (int i = 0; i < 4; ++i) data.push_back(static_cast<char>(crc >> (8 * i)));
  EXPECT_EQ(Crc32(data), 0u);
  data[3] ^= 1;
  EXPECT_NE(Crc32(data), 0u);
}

}  // namespace
}  // namespace oro::common
