// Parsing of server replies, socket error numbers and console encoding.
#include <cerrno>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "oro/platform/console_text.h"
#include "oro/platform/tcp_socket.h"
#include "oro/updater/ftp_client.h"
#include "oro/updater/ftp_parse.h"

namespace oro::updater {
namespace {

TEST(PassivePort, TakesTheLastTwoNumbersWhateverTheAddressSays) {
  EXPECT_EQ(FtpParsePasvPort("227 Entering Passive Mode (10,9,8,7,19,137)."), 19 * 256 + 137);
  EXPECT_EQ(FtpParsePasvPort("227 ok (127,0,0,1, 4, 1)\r\n"), 4 * 256 + 1);
  EXPECT_EQ(FtpParsePasvPort("227 =(1,2,3,4,0,21)"), 21);
}

TEST(PassivePort, MissingParenthesesHaveTheirOwnCodes) {
  EXPECT_EQ(FtpParsePasvPort("227 Entering Passive Mode 127,0,0,1,19,137"), -1);
  EXPECT_EQ(FtpParsePasvPort("227 Entering Passive Mode (127,0,0,1,19,137"), -2);
  EXPECT_EQ(FtpParsePasvPort("227 ) (127,0,0,1,19,137"), -2);
}

TEST(PassivePort, NumbersAreReadAsTheyComeAndLaterCommasChangeNothing) {
  EXPECT_EQ(FtpParsePasvPort("227 (127,0,0,1,19,137,5)"), 19 * 256 + 137);  // seven numbers
  EXPECT_EQ(FtpParsePasvPort("227 (127,0,0,1,0019,00137)"), 19 * 256 + 137);
  EXPECT_EQ(FtpParsePasvPort("227 (127,0,0,1,19 ,137 port)"), 19 * 256 + 137);
}

TEST(PassivePort, UnusableNumbersGiveNoPort) {
  EXPECT_EQ(FtpParsePasvPort("227 (127,0,0,1,19)"), 0);     // five numbers
  EXPECT_EQ(FtpParsePasvPort("227 (127,0,0,1,256,1)"), 0);  // not a byte
  EXPECT_EQ(FtpParsePasvPort("227 (127,0,0,1,1,1000)"), 0);
  EXPECT_EQ(FtpParsePasvPort("227 (127,0,0,1,x1,1)"), 0);
  EXPECT_EQ(FtpParsePasvPort("227 (127,0,0,1,,1)"), 0);
  EXPECT_EQ(FtpParsePasvPort("227 (127,0,0,1,0,0)"), 0);
  EXPECT_EQ(FtpParsePasvPort("227 (127,0,0,1,99999999999999999999,1)"), 0);
}

TEST(SizeReply, ReadsTheNumberAfterTheCode) {
  EXPECT_EQ(FtpParseSizeReply("213 1234\r\n"), 1234);
  EXPECT_EQ(FtpParseSizeReply("213 0\r\n"), 0);
  EXPECT_EQ(FtpParseSizeReply("213 2147483647"), 2147483647);
  // The size is the number that starts the text; what follows it is not read.
  EXPECT_EQ(FtpParseSizeReply("213 1234 bytes\r\n"), 1234);
  EXPECT_EQ(FtpParseSizeReply("213 12ab\r\n"), 12);
}

TEST(SizeReply, RefusesWhatIsNotASize) {
  EXPECT_EQ(FtpParseSizeReply("213\r\n"), -1);
  EXPECT_EQ(FtpParseSizeReply("213 \r\n"), -1);
  EXPECT_EQ(FtpParseSizeReply("213 abc\r\n"), -1);
  EXPECT_EQ(FtpParseSizeReply("213 -5\r\n"), -1);
  EXPECT_EQ(FtpParseSizeReply("213\r\n5\r\n"), -1);
  EXPECT_EQ(FtpParseSizeReply("213 2147483648\r\n"), -1);
  EXPECT_EQ(FtpParseSizeReply("213 99999999999999999999999\r\n"), -1);
}

TEST(ReplyCode, NeedsThreeDigits) {
  EXPECT_EQ(FtpReplyCode("220 hi"), 220);
  EXPECT_EQ(FtpReplyCode("150"), 150);
  EXPECT_EQ(FtpReplyCode("22"), 0);
  EXPECT_EQ(FtpReplyCode("2x0 hi"), 0);
  EXPECT_EQ(FtpReplyCode(""), 0);
}

TEST(ReplyAssembler, OneLineIsOneReply) {
  FtpReplyAssembler r;
  EXPECT_TRUE(r.AddLine("200 Type set to I\r\n"));
  EXPECT_EQ(r.Code(), 200);
  EXPECT_EQ(r.Text(), "200 Type set to I\r\n");
}

TEST(ReplyAssembler, MultiLineReplyEndsAtTheSameCodeAndABlank) {
  FtpReplyAssembler r;
  EXPECT_FALSE(r.AddLine("220-Welcome\r\n"));
  EXPECT_FALSE(r.AddLine("220-more\r\n"));
  EXPECT_FALSE(r.AddLine("   indented text\r\n"));
  EXPECT_FALSE(r.AddLine("230 another code does not end it\r\n"));
  EXPECT_TRUE(r.AddLine("220 ready\r\n"));
  EXPECT_EQ(r.Code(), 220);
  EXPECT_EQ(r.Text(),
            "220-Welcome\r\n220-more\r\n   indented text\r\n230 another code does not end it\r\n220 ready\r\n");
}

TEST(ReplyAssembler, ALineWithoutCodeIsAFailedReply) {
  FtpReplyAssembler r;
  EXPECT_TRUE(r.AddLine("hello\r\n"));
  EXPECT_EQ(r.Code(), 0);
}

TEST(SocketErrors, UseTheWinsockNumbers) {
  EXPECT_EQ(platform::net::WinsockCode(ECONNREFUSED), 10061);
  EXPECT_EQ(platform::net::WinsockCode(ETIMEDOUT), 10060);
  EXPECT_EQ(platform::net::WinsockCode(EAGAIN), 10060);  // a receive time-out
  EXPECT_EQ(platform::net::WinsockCode(ECONNRESET), 10054);
  EXPECT_EQ(platform::net::WinsockCode(EPIPE), 10054);
  EXPECT_EQ(platform::net::WinsockCode(ENETUNREACH), 10051);
  EXPECT_EQ(platform::net::WinsockCode(EHOSTUNREACH), 10065);
}

TEST(SocketAddresses, OnlyFourPlainDecimalNumbersMakeAnAddress) {
  std::uint32_t address = 0;
  ASSERT_TRUE(platform::net::ParseIpv4("127.0.0.1", address));
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(&address);  // network order
  EXPECT_EQ(std::vector<std::uint8_t>(bytes, bytes + 4), (std::vector<std::uint8_t>{127, 0, 0, 1}));
  ASSERT_TRUE(platform::net::ParseIpv4("255.255.255.255", address));
  EXPECT_EQ(address, 0xFFFFFFFFu);
  for (const char* bad : {"", "1.2.3", "1.2.3.4.5", "256.1.1.1", "1.2.3.04", "1.2.3.4 ", " 1.2.3.4", "1..2.3",
                          "0x7f.0.0.1", "localhost", "1.2.3.-4"}) {
    address = 42;
    EXPECT_FALSE(platform::net::ParseIpv4(bad, address)) << bad;
  }
}

TEST(ConsoleText, ChineseLinesFollowTheConsoleCodeSet) {
  const std::string text = "连接失败: 10061";
  EXPECT_EQ(platform::Utf8ToCodeset(text, "GBK"), "\xC1\xAC\xBD\xD3\xCA\xA7\xB0\xDC: 10061");
  EXPECT_EQ(platform::Utf8ToCodeset(text, "UTF-8"), text);
  // A program that never chose a locale reports ASCII; a Linux terminal then reads UTF-8.
  EXPECT_EQ(platform::Utf8ToCodeset(text, "ANSI_X3.4-1968"), text);
  EXPECT_EQ(platform::Utf8ToCodeset(text, "no-such-codeset"), text);
}

}  // namespace
}  // namespace oro::updater
