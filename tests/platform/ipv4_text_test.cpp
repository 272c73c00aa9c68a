// The address text every system shares, and the deadline the socket and
// device waits share. On Linux the parser is held to the C library's, which
// it replaced there.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "oro/platform/deadline.h"
#include "oro/platform/tcp_socket.h"

#ifndef _WIN32
#include <arpa/inet.h>
#endif

namespace oro::platform::net {
namespace {

TEST(Ipv4Text, TakesExactlyFourDecimalBytesInNetworkOrder) {
  std::uint32_t address = 0;
  ASSERT_TRUE(ParseIpv4("192.168.1.20", address));
  unsigned char bytes[4];
  std::memcpy(bytes, &address, sizeof bytes);
  EXPECT_EQ(bytes[0], 192);
  EXPECT_EQ(bytes[1], 168);
  EXPECT_EQ(bytes[2], 1);
  EXPECT_EQ(bytes[3], 20);

  const std::vector<std::string> good = {"0.0.0.0", "255.255.255.255", "10.0.0.1", "127.0.0.1", "1.2.3.0"};
  for (const std::string& text : good) {
    address = 0;
    ASSERT_TRUE(ParseIpv4(text, address)) << text;
    EXPECT_EQ(FormatIpv4(address), text);
  }
  const std::vector<std::string> bad = {"",         "1.2.3",           "1.2.3.4.5", "256.1.1.1", "1.2.3.256",
                                        "01.2.3.4", "1.2.3.00",        "1..3.4",    "1.2.3.4 ",  " 1.2.3.4",
                                        "1.2.3.-4", "+1.2.3.4",        "1.2.3.4a",  "0x1.2.3.4", "1.2.3.",
                                        ".1.2.3.4", "4294967297.1.1.1"};
  for (const std::string& text : bad) {
    address = 0xA5A5A5A5u;
    EXPECT_FALSE(ParseIpv4(text, address)) << text;
    EXPECT_EQ(address, 0xA5A5A5A5u) << text << ": a refused text leaves the address alone";
  }
#ifndef _WIN32
  for (const auto* list : {&good, &bad}) {
    for (const std::string& text : *list) {
      in_addr system{};
      std::uint32_t ours = 0;
      const bool system_took = ::inet_pton(AF_INET, text.c_str(), &system) == 1;
      EXPECT_EQ(ParseIpv4(text, ours), system_took) << text;
      if (system_took) EXPECT_EQ(ours, system.s_addr) << text;
    }
  }
#endif
}

TEST(Ipv4Text, TheLocalAddressTowardsLoopbackIsLoopback) {
  int error = 0;
  ASSERT_TRUE(StartNetwork(error)) << error;
  std::string local;
  ASSERT_TRUE(LocalAddressFor("127.0.0.1", local));
  EXPECT_EQ(local, "127.0.0.1");
  ASSERT_TRUE(LocalAddressFor("not an address", local));
  EXPECT_EQ(local, "");
  StopNetwork();
}

TEST(Deadline, CountsDownAndNeverBelowZero) {
  EXPECT_EQ(Deadline(-1).Left(), -1);
  EXPECT_EQ(Deadline(0).Left(), 0);
  const int left = Deadline(60000).Left();
  EXPECT_GT(left, 50000);
  EXPECT_LE(left, 60000);
  EXPECT_EQ(MillisLeft(std::chrono::steady_clock::now() - std::chrono::seconds(5)), 0);
}

}  // namespace
}  // namespace oro::platform::net
