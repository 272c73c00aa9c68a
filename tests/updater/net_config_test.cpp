// The network configuration file: stored bytes, damage detection, loading.
#include <fstream>
#include <vector>

#include <gtest/gtest.h>

#include "oro/common/checksum.h"
#include "oro/platform/text.h"
#include "oro/updater/net_config.h"
#include "temp_root.h"

namespace oro::updater {
namespace {

constexpr std::array<std::uint8_t, 8> kKey = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};

NetConfig Sample() {
  NetConfig c;
  c.server = "192.168.10.254";
  c.port = 2121;
  c.user = "kit";
  c.password = "secret";
  c.folder = "updates/v2";
  c.check_switch = 1;
  return c;
}

std::array<std::uint8_t, kNetConfigSize> Encoded(const NetConfig& c) {
  NetConfigRecord r;
  std::string reason;
  EXPECT_TRUE(ToNetConfigRecord(c, kKey, r, reason)) << reason;
  return EncodeNetConfig(r);
}

void WriteFile(const std::string& path, const std::uint8_t* data, std::size_t size) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}

NetConfig Loaded() {
  NetConfig c;
  GetNetConfig(c.server, c.port, c.user, c.password, c.folder, c.check_switch);
  return c;
}

TEST(NetConfigFile, StoredBytesAreScrambledWithKeyAndOffset) {
  const auto b = Encoded(Sample());
  auto plain = [&](std::size_t offset) {
    const std::size_t i = offset - 8;
    return static_cast<std::uint8_t>(b[offset] ^ kKey[i % 8] ^ (i % 256));
  };
  EXPECT_TRUE(std::equal(kKey.begin(), kKey.end(), b.begin()));
  EXPECT_EQ(plain(8), 192);
  EXPECT_EQ(plain(9), 168);
  EXPECT_EQ(plain(10), 10);
  EXPECT_EQ(plain(11), 254);
  EXPECT_EQ(plain(12), 2121 & 0xFF);  // little-endian port
  EXPECT_EQ(plain(13), 2121 >> 8);
  EXPECT_EQ(plain(14), 0);
  EXPECT_EQ(plain(16), 1);
  EXPECT_EQ(plain(20), 'k');
  EXPECT_EQ(plain(23), 0);
  EXPECT_EQ(plain(52), 's');
  EXPECT_EQ(plain(84), 'u');
  EXPECT_EQ(plain(339), 0);
  const std::uint32_t stored = b[340] | b[341] << 8 | b[342] << 16 | static_cast<std::uint32_t>(b[343]) << 24;
  EXPECT_EQ(stored, common::Crc32(b.data(), 340));
}

TEST(NetConfigFile, DecodesWhatWasEncoded) {
  const auto b = Encoded(Sample());
  NetConfigRecord r;
  ASSERT_EQ(DecodeNetConfig(b.data(), b.size(), r), 1);
  const NetConfig c = ToNetConfig(r);
  EXPECT_EQ(c.server, "192.168.10.254");
  EXPECT_EQ(c.port, 2121u);
  EXPECT_EQ(c.user, "kit");
  EXPECT_EQ(c.password, "secret");
  EXPECT_EQ(c.folder, "updates/v2");
  EXPECT_EQ(c.check_switch, 1u);
}

TEST(NetConfigFile, TextsMayFillTheirWholeField) {
  NetConfig c = Sample();
  c.user = std::string(32, 'u');
  c.password = std::string(32, 'p');
  c.folder = std::string(256, 'f');
  const auto b = Encoded(c);
  NetConfigRecord r;
  ASSERT_EQ(DecodeNetConfig(b.data(), b.size(), r), 1);
  const NetConfig d = ToNetConfig(r);
  EXPECT_EQ(d.user, c.user);
  EXPECT_EQ(d.password, c.password);
  EXPECT_EQ(d.folder, c.folder);
}

TEST(NetConfigFile, AnyChangedByteOrWrongSizeIsRefused) {
  const auto good = Encoded(Sample());
  NetConfigRecord r;
  for (std::size_t offset : {0u, 7u, 8u, 12u, 20u, 100u, 339u, 340u, 343u}) {
    auto bad = good;
    bad[offset] ^= 0x40;
    EXPECT_EQ(DecodeNetConfig(bad.data(), bad.size(), r), -1) << "offset " << offset;
  }
  std::vector<std::uint8_t> longer(good.begin(), good.end());
  longer.push_back(0);
  EXPECT_EQ(DecodeNetConfig(longer.data(), longer.size(), r), -2);
  EXPECT_EQ(DecodeNetConfig(good.data(), good.size() - 1, r), -2);
}

TEST(NetConfigFile, RecordRefusesWhatTheFileCannotHold) {
  NetConfigRecord r;
  std::string reason;
  for (const char* server : {"host.example", "1.2.3", "1.2.3.256", "1.2.3.4 ", ""}) {
    NetConfig c = Sample();
    c.server = server;
    EXPECT_FALSE(ToNetConfigRecord(c, kKey, r, reason)) << server;
  }
  NetConfig c = Sample();
  c.user = std::string(33, 'u');
  EXPECT_FALSE(ToNetConfigRecord(c, kKey, r, reason));
  c = Sample();
  c.folder = std::string("a\0b", 3);
  EXPECT_FALSE(ToNetConfigRecord(c, kKey, r, reason));
}

TEST(NetConfigLoad, ResultsAndProcessWideCopy) {
  test::TempRoot dir;
  const std::string path = dir.Path() + "/oro_netcfg.fsc";
  const std::wstring wpath = platform::FromUtf8(path);
  EXPECT_EQ(LoadNetConfig(wpath), -1);  // missing

  const auto good = Encoded(Sample());
  WriteFile(path, good.data(), good.size());
  ASSERT_EQ(LoadNetConfig(wpath), 1);
  EXPECT_EQ(Loaded().server, "192.168.10.254");
  EXPECT_EQ(Loaded().folder, "updates/v2");

  // Failed loads leave the loaded configuration as it was.
  WriteFile(path, good.data(), 343);
  EXPECT_EQ(LoadNetConfig(wpath), -2);
  std::vector<std::uint8_t> longer(good.begin(), good.end());
  longer.push_back(0);
  WriteFile(path, longer.data(), longer.size());
  EXPECT_EQ(LoadNetConfig(wpath), -2);
  auto damaged = good;
  damaged[60] ^= 1;
  WriteFile(path, damaged.data(), damaged.size());
  EXPECT_EQ(LoadNetConfig(wpath), -1);
  EXPECT_EQ(Loaded().user, "kit");
  EXPECT_EQ(Loaded().port, 2121u);

  NetConfig other = Sample();
  other.server = "10.0.0.1";
  other.check_switch = 0;
  const auto second = Encoded(other);
  WriteFile(path, second.data(), second.size());
  ASSERT_EQ(LoadNetConfig(wpath), 1);
  EXPECT_EQ(Loaded().server, "10.0.0.1");
  EXPECT_EQ(Loaded().check_switch, 0u);
}

}  // namespace
}  // namespace oro::updater
