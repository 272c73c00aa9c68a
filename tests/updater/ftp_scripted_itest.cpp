// The client against a loopback server that sends exactly what each test
// scripts: replies in pieces, odd passive replies, wrong amounts of data,
// silence.
#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

#include <gtest/gtest.h>

#include "ftp_test_support.h"
#include "loopback_socket.h"
#include "scripted_ftp_server.h"

namespace oro::updater {
namespace {

using test::Download;
using test::DownloadFrom;
using test::Event;
using test::ScriptedFtpServer;
using test::ScriptedPeer;

void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

struct Transfer {
  std::string content;
  long long announced = -1;  // -1: the content's size
  std::string final_reply = "226 Transfer complete.\r\n";
  int final_delay_ms = 0;
};

// Login, SIZE, TYPE I, PASV and RETR, with the data connection accepted.
// Like some stock servers, RETR waits for the data connection.
bool ServeUntilRetrieve(ScriptedPeer& p, std::size_t announced, const std::string& host = "127,0,0,1") {
  p.Login();
  if (!p.Expect("SIZE")) return false;
  p.Send("213 " + std::to_string(announced) + "\r\n");
  if (!p.Expect("TYPE I")) return false;
  p.Send("200 Type set to I.\r\n");
  if (!p.Expect("PASV")) return false;
  p.Send(test::PassiveReply(p.OpenPassive(), host));
  return p.Expect("RETR") && p.AcceptData();
}

void ServeTransfer(ScriptedPeer& p, const Transfer& t) {
  if (!ServeUntilRetrieve(p, t.announced < 0 ? t.content.size() : static_cast<std::size_t>(t.announced))) return;
  p.Send("150 Opening data connection.\r\n");
  p.SendData(t.content);
  p.CloseData();
  Pause(t.final_delay_ms);
  p.Send(t.final_reply);
}

std::string Pattern(std::size_t size) {
  std::string s(size, '\0');
  for (std::size_t i = 0; i < size; ++i) s[i] = static_cast<char>(i * 2654435761u >> 24);
  return s;
}

class ScriptedServer : public ::testing::Test {
 protected:
  void SetUp() override { FtpSetTimeouts({3000, 3000}); }
  void TearDown() override { FtpSetTimeouts(FtpTimeouts{}); }
};

TEST_F(ScriptedServer, GreetingInPiecesAndMultiLineRepliesAreReadWhole) {
  ScriptedFtpServer server([](ScriptedPeer& p) {
    p.Send("22");
    Pause(100);
    p.Send("0-Welcome to\r\n220-the");
    Pause(100);
    p.Send(" update server\r\n220 ready\r\n");
    p.Expect("USER");
    p.Send("331-Password\r\n331 required\r\n");
    p.Expect("PASS");
    p.Send("230-Hello\r\n  notes\r\n230 logged in\r\n");
    p.Expect("NOOP");
    p.Send("200 fine\r\n");
  });
  const FtpSocket s = FtpConnect("127.0.0.1", server.Port());
  ASSERT_NE(s, kInvalidFtpSocket);
  const FtpReply greeting = FtpCommand(s, "");
  EXPECT_EQ(greeting.code, 220);
  EXPECT_EQ(greeting.text, "220-Welcome to\r\n220-the update server\r\n220 ready\r\n");
  EXPECT_TRUE(FtpLogin(s, "kit", "secret"));
  // Nothing of the earlier replies is left to be taken for this one.
  const FtpReply noop = FtpCommand(s, "NOOP");
  EXPECT_EQ(noop.code, 200);
  EXPECT_EQ(noop.text, "200 fine\r\n");
  FtpQuit(s);
  EXPECT_EQ(server.Commands().back(), "QUIT");
}

TEST_F(ScriptedServer, ConfirmationAndFinalReplyInOnePacket) {
  ScriptedFtpServer server([](ScriptedPeer& p) {
    if (!ServeUntilRetrieve(p, 0)) return;
    p.CloseData();
    p.Send("150 here it comes\r\n226 done\r\n");
  });
  const Download d = DownloadFrom(server.Port(), "empty.bin");
  EXPECT_EQ(d.result, 1) << d.errors;
  EXPECT_EQ(d.size, 0);
  EXPECT_EQ(d.Progress(), std::vector<std::int32_t>{100});
}

TEST_F(ScriptedServer, PassiveReplyMayNameAnotherHost) {
  const std::string content = Pattern(5000);
  ScriptedFtpServer server([&](ScriptedPeer& p) {
    // The data connection still goes to the control connection's address.
    if (!ServeUntilRetrieve(p, content.size(), "10,9,8,7")) return;
    p.Send("150 ok\r\n");
    p.SendData(content);
    p.CloseData();
    p.Send("226 ok\r\n");
  });
  const Download d = DownloadFrom(server.Port(), "f.bin");
  ASSERT_EQ(d.result, 1) << d.errors;
  EXPECT_EQ(d.data, content);
}

TEST_F(ScriptedServer, PassiveReplyWithoutParentheses) {
  ScriptedFtpServer server([](ScriptedPeer& p) {
    p.Login();
    p.Expect("PASV");
    p.Send("227 Entering Passive Mode 127,0,0,1,19,137\r\n");
  });
  FtpSocket s = kInvalidFtpSocket;
  ASSERT_EQ(FtpOpenSession("127.0.0.1", "kit", "secret", server.Port(), s), 1);
  std::vector<Event> events;
  std::uint8_t buffer[4];
  EXPECT_EQ(FtpRetrieveToMemory(s, "f.bin", buffer, sizeof buffer, "127.0.0.1", test::RecordEvent, &events), -6);
  EXPECT_EQ(events, (std::vector<Event>{{8, -1}}));
  FtpQuit(s);
  const auto commands = server.Commands();
  EXPECT_EQ(std::count(commands.begin(), commands.end(), "RETR f.bin"), 0);
}

TEST_F(ScriptedServer, UserAnsweredWithLoggedInIsAFailedLogin) {
  ScriptedFtpServer server([](ScriptedPeer& p) {
    p.Send("220 hi\r\n");
    p.Expect("USER");
    p.Send("230 welcome, no password needed\r\n");
  });
  const Download d = DownloadFrom(server.Port(), "f.bin");
  EXPECT_EQ(d.result, -5);
  EXPECT_EQ(d.events, (std::vector<Event>{{1, -1}}));
  EXPECT_NE(d.errors.find("用户名验证失败: 230 welcome, no password needed\n"), std::string::npos) << d.errors;
}

TEST_F(ScriptedServer, SizeReplyWithoutNumber) {
  ScriptedFtpServer server([](ScriptedPeer& p) {
    p.Login();
    p.Expect("SIZE");
    p.Send("213 \r\n");
  });
  const Download d = DownloadFrom(server.Port(), "f.bin");
  EXPECT_EQ(d.result, -6);
  EXPECT_EQ(d.events, (std::vector<Event>{{5, -1}}));
  EXPECT_NE(d.errors.find("解析文件大小失败"), std::string::npos) << d.errors;
  EXPECT_EQ(server.Commands().back(), "QUIT");
}

TEST_F(ScriptedServer, MoreDataThanAnnouncedFailsWithoutOverrun) {
  for (long long announced : {10LL, 0LL}) {
    Transfer t;
    t.content = Pattern(70000);
    t.announced = announced;
    ScriptedFtpServer server([&](ScriptedPeer& p) { ServeTransfer(p, t); });
    const Download d = DownloadFrom(server.Port(), "f.bin");
    EXPECT_EQ(d.result, -9) << "announced " << announced;
    EXPECT_TRUE(d.Has({2, -1}));
    EXPECT_FALSE(d.Has({2, 100}));
    EXPECT_NE(d.errors.find("接收的数据超出文件大小: " + std::to_string(announced)), std::string::npos) << d.errors;
  }
}

TEST_F(ScriptedServer, LessDataThanAnnouncedFails) {
  Transfer t;
  t.content = Pattern(10);
  t.announced = 20;
  ScriptedFtpServer server([&](ScriptedPeer& p) { ServeTransfer(p, t); });
  const Download d = DownloadFrom(server.Port(), "f.bin");
  EXPECT_EQ(d.result, -9);
  EXPECT_NE(d.errors.find("接收的数据不完整: 10/20"), std::string::npos) << d.errors;
}

TEST_F(ScriptedServer, HundredPercentOnlyAfterTheFinalConfirmation) {
  Transfer t;
  t.content = Pattern(300 * 1024);
  t.final_delay_ms = 100;
  {
    ScriptedFtpServer server([&](ScriptedPeer& p) { ServeTransfer(p, t); });
    const Download d = DownloadFrom(server.Port(), "f.bin");
    ASSERT_EQ(d.result, 1) << d.errors;
    EXPECT_EQ(d.data, t.content);
    const auto progress = d.Progress();
    ASSERT_GE(progress.size(), 2u);
    EXPECT_EQ(progress.back(), 100);
    EXPECT_EQ(std::count(progress.begin(), progress.end(), 100), 1);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
  }
  // Every byte arrived, but the server did not confirm: never 100.
  t.final_reply = "451 Local error in processing.\r\n";
  ScriptedFtpServer server([&](ScriptedPeer& p) { ServeTransfer(p, t); });
  const Download d = DownloadFrom(server.Port(), "f.bin");
  EXPECT_EQ(d.result, -9);
  EXPECT_FALSE(d.Has({2, 100}));
  EXPECT_EQ(d.events.back(), (Event{2, -1}));
}

TEST_F(ScriptedServer, SilentServerTimesOut) {
  // The idle time-out ends the wait well before the whole reply's deadline.
  FtpSetTimeouts({300, 300, 30000});
  {
    ScriptedFtpServer server([](ScriptedPeer& p) { p.WaitForStop(); });
    const Download d = DownloadFrom(server.Port(), "f.bin");
    EXPECT_EQ(d.result, -4);
    EXPECT_NE(d.errors.find("接收响应失败: 10060"), std::string::npos) << d.errors;
    EXPECT_EQ(FtpLastFailure(), "greeting: no complete reply within 300 ms (time-out)");
  }
  // Silent in the middle of the data.
  ScriptedFtpServer server([](ScriptedPeer& p) {
    if (!ServeUntilRetrieve(p, 100)) return;
    p.Send("150 ok\r\n");
    p.SendData("only a part");
    p.WaitForStop();
  });
  const Download d = DownloadFrom(server.Port(), "f.bin");
  EXPECT_EQ(d.result, -9);
  EXPECT_NE(d.errors.find("接收数据失败: 10060"), std::string::npos) << d.errors;
}

TEST_F(ScriptedServer, AServerThatDripsBytesIsBoundByTheReplyDeadline) {
  // Each byte comes well inside the idle time-out; the whole greeting does
  // not come inside the reply time-out.
  FtpSetTimeouts({3000, 3000, 500});
  ScriptedFtpServer server([](ScriptedPeer& p) {
    p.Send("220 ");
    for (int i = 0; i < 30; ++i) {
      Pause(100);
      p.Send("x");
    }
    // A client that waited for all of it logs in and asks for the size.
    p.Send("\r\n");
    for (const char* reply : {"331 password\r\n", "230 in\r\n", "550 gone\r\n"}) {
      if (p.ReadCommand().empty()) return;
      p.Send(reply);
    }
  });
  const Download d = DownloadFrom(server.Port(), "f.bin");
  EXPECT_EQ(d.result, ftp_result::kBadGreeting);
  EXPECT_NE(d.errors.find("接收响应失败: 10060"), std::string::npos) << d.errors;
  EXPECT_EQ(FtpLastFailure(), "greeting: no complete reply within 500 ms (time-out)");
}

TEST_F(ScriptedServer, FailureTextsNameWhatReallyFailed) {
  struct Case {
    const char* what;
    std::function<void(ScriptedPeer&)> script;
    int result;
    std::string failure;
  } cases[] = {
      {"silent greeting", [](ScriptedPeer& p) { p.WaitForStop(); }, ftp_result::kBadGreeting,
       "greeting: no complete reply within 300 ms (time-out)"},
      {"busy greeting", [](ScriptedPeer& p) { p.Send("421 too many users\r\n"); }, ftp_result::kBadGreeting,
       "the server's greeting is not a welcome: 421 too many users"},
      {"refused path",
       [](ScriptedPeer& p) {
         p.Login();
         p.Expect("SIZE");
         p.Send("550 \x1b[2Jno such file\r\n");  // a terminal escape is not passed on
       },
       ftp_result::kSizeFailed, "the server refused the remote path 'f.bin': 550 ?[2Jno such file"},
      {"wrong password",
       [](ScriptedPeer& p) {
         p.Send("220 hi\r\n");
         p.Expect("USER");
         p.Send("331 password\r\n");
         p.Expect("PASS");
         p.Send("530 Login incorrect.\r\n");
       },
       ftp_result::kLoginFailed, "the server refused the password: 530 Login incorrect."},
  };
  FtpSetTimeouts({300, 300, 300});
  for (const Case& c : cases) {
    ScriptedFtpServer server(c.script);
    const Download d = DownloadFrom(server.Port(), "f.bin");
    EXPECT_EQ(d.result, c.result) << c.what;
    EXPECT_EQ(FtpLastFailure(), c.failure) << c.what;
  }
  // A download that works leaves nothing behind from an earlier failure.
  Transfer t;
  t.content = "abc";
  ScriptedFtpServer server([&](ScriptedPeer& p) { ServeTransfer(p, t); });
  ASSERT_EQ(DownloadFrom(server.Port(), "f.bin").result, 1);
  EXPECT_EQ(FtpLastFailure(), "");
}

TEST_F(ScriptedServer, LineBreaksInsideArgumentsAreNeverSent) {
  ScriptedFtpServer server([](ScriptedPeer& p) { p.Login(); });
  const Download d = DownloadFrom(server.Port(), "f.bin\r\nDELE other.bin");
  EXPECT_EQ(d.result, -6);
  for (const auto& c : server.Commands()) EXPECT_EQ(c.find("DELE"), std::string::npos) << c;
}

int UnusedLoopbackPort() {
  int port = 0;
  test::loopback::Close(test::loopback::Bound(-1, &port));
  return port;
}

TEST(ConnectFailures, RefusedAndInvalidAddressLines) {
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(FtpConnect("127.0.0.1", UnusedLoopbackPort()), kInvalidFtpSocket);
  std::string errors = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(errors.find("连接失败: 10061 (连接被拒绝)\n"), std::string::npos) << errors;

  FtpSocket s = 12345;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(FtpOpenSession("localhost", "kit", "secret", 21, s), -3);
  errors = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(s, kInvalidFtpSocket);
  EXPECT_NE(errors.find("无效的服务器IP地址: "), std::string::npos) << errors;
}

TEST(ConnectFailures, UnansweredConnectTimesOut) {
  // A listener whose queue is full lets further connection requests go
  // unanswered, as an unreachable host does.
  namespace loopback = test::loopback;
  int port = 0;
  const loopback::Socket listener = loopback::Bound(0, &port);
  ASSERT_NE(listener, loopback::kNone);
  std::vector<loopback::Socket> fillers;
  for (int i = 0; i < 4; ++i) fillers.push_back(loopback::ConnectWithoutWaiting(port));
  Pause(50);
  FtpSetTimeouts({300, 300});
  ::testing::internal::CaptureStderr();
  const FtpSocket s = FtpConnect("127.0.0.1", port);
  const std::string errors = ::testing::internal::GetCapturedStderr();
  FtpSetTimeouts(FtpTimeouts{});
  for (loopback::Socket c : fillers) loopback::Close(c);
  loopback::Close(listener);
  EXPECT_EQ(s, kInvalidFtpSocket);
  EXPECT_NE(errors.find("连接失败: 10060 (连接超时)\n"), std::string::npos) << errors;
}

}  // namespace
}  // namespace oro::updater
