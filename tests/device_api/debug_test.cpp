// _dbg and _dbgw: the 255-character limit, how narrow bytes are widened, the
// wide format conventions, and the lines that reach ORO_DEBUG_LOG (through
// the system's own debug output: syslog's adapter on Linux,
// OutputDebugStringW's on Windows).
#ifdef _WIN32
#include <process.h>
#include <stdlib.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "oro/device_api/library_context.h"
#include "oro_ecd_api.h"
#include "temp_root.h"
#ifdef _WIN32
#include "oro/platform/text.h"
#include "oro/platform/windows/windows_adapters.h"
#else
#include "oro/platform/linux/host_adapters.h"
#endif

namespace oro::device_api {
namespace {

class RecordingOutput final : public platform::DebugOutput {
 public:
  void Write(const std::wstring& line) override { lines.push_back(line); }
  std::vector<std::wstring> lines;
};

class DebugExports : public ::testing::Test {
 protected:
  void SetUp() override {
    platform::Platform p;
    p.debug = recorder_;
    SetLibraryPlatform(std::move(p));
  }

  std::wstring Last() const { return recorder_->lines.empty() ? L"<nothing>" : recorder_->lines.back(); }

  std::shared_ptr<RecordingOutput> recorder_ = std::make_shared<RecordingOutput>();
};

TEST_F(DebugExports, LongMessagesAreCutTo255Characters) {
  const std::wstring wide(300, L'w');
  _dbgw(L"%s", wide.c_str());
  EXPECT_EQ(Last(), wide.substr(0, 255));
  const std::string narrow(300, 'n');
  _dbg("%s", narrow.c_str());
  EXPECT_EQ(Last(), std::wstring(255, L'n'));
  // A format longer than the limit is cut the same way.
  const std::wstring fmt = L"[quenta]" + std::wstring(290, L'x') + L"%d";
  _dbgw(fmt.c_str(), 7);
  EXPECT_EQ(Last().size(), 255u);
  EXPECT_EQ(Last().substr(0, 9), L"[quenta]x");
  EXPECT_EQ(recorder_->lines.size(), 3u);
}

TEST_F(DebugExports, NarrowBytesAreWidenedAsSignedCharacters) {
  _dbg("caf\xc3\xa9 %d", 1);
  EXPECT_EQ(Last(), std::wstring(L"caf") + wchar_t(0xFFC3) + wchar_t(0xFFA9) + L" 1");
  _dbg("%s", "\x7f\x80");
  EXPECT_EQ(Last(), std::wstring(L"\x7f") + wchar_t(0xFF80));
}

TEST_F(DebugExports, WideFormatsTakeWideStringsForPercentS) {
  _dbgw(L"[quenta] OnDeviceStateChanged:%s state=%d\n", L"{0.0.1.00000000}.{abc}", 4);
  EXPECT_EQ(Last(), L"[quenta] OnDeviceStateChanged:{0.0.1.00000000}.{abc} state=4\n");
  _dbgw(L"%S|%hs|%ls|%c|%C|%5.2s|%%", "narrow", "short", L"long", L'w', 'n', L"abc");
  EXPECT_EQ(Last(), L"narrow|short|long|w|n|   ab|%");
  _dbgw(L"[quenta] %s:v-p=%4X-%4X installed OK", L"id", 0x40B, 0xF779);
  EXPECT_EQ(Last(), L"[quenta] id:v-p= 40B-F779 installed OK");
  _dbg("%s and %S, %I64d", "narrow", L"wide", static_cast<long long>(1) << 40);
  EXPECT_EQ(Last(), L"narrow and wide, 1099511627776");
}

TEST_F(DebugExports, PercentNNeverWritesIntoTheCaller) {
  int written = -5;
  _dbg("ab%ncd", &written);
  EXPECT_EQ(Last(), L"abcd");
  _dbgw(L"ab%ncd", &written);
  EXPECT_EQ(Last(), L"abcd");
  EXPECT_EQ(written, -5);
}

TEST_F(DebugExports, NullFormatsAndMissingOutputAreIgnored) {
  _dbg(nullptr);
  _dbgw(nullptr);
  EXPECT_TRUE(recorder_->lines.empty());
  SetLibraryPlatform(platform::Platform{});
  _dbg("nobody listens");
  _dbgw(L"nobody listens");
}

void SetVariable(const char* name, const std::string& value) {
#ifdef _WIN32
  _putenv_s(name, value.c_str());  // "" removes it
#else
  if (value.empty()) {
    unsetenv(name);
  } else {
    setenv(name, value.c_str(), 1);
  }
#endif
}

std::shared_ptr<platform::DebugOutput> SystemDebugOutput() {
#ifdef _WIN32
  return platform::windows_host::MakeDebugStringOutput();
#else
  return platform::linux_host::MakeSyslogDebugOutput();
#endif
}

std::vector<std::string> FileLines(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class DebugLogFile : public ::testing::Test {
 protected:
  void SetUp() override {
    SetVariable("ORO_DEBUG_LOG", log_);
    platform::Platform p;
    p.debug = SystemDebugOutput();
    SetLibraryPlatform(std::move(p));
  }
  void TearDown() override { SetVariable("ORO_DEBUG_LOG", ""); }

  oro::test::TempRoot root_;
  std::string log_ = root_.Path() + "/debug.log";
};

TEST_F(DebugLogFile, LinesAreAppendedAsUtf8OnePerMessage) {
  _dbgw(L"[quenta] Audio device ADDED:%s\n", L"{0.0.0.00000000}.{x}");
  _dbgw(L"[quenta]cmd:%s", L"\"/opt/kit\\\x6e2f\x9ad8.exe\"");
  _dbg("[quenta]two\r\nparts\n");
  const auto lines = FileLines(log_);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "[quenta] Audio device ADDED:{0.0.0.00000000}.{x}");
  EXPECT_EQ(lines[1], "[quenta]cmd:\"/opt/kit\\\xe6\xb8\xaf\xe9\xab\x98.exe\"");
  EXPECT_EQ(lines[2], "[quenta]two  parts");
}

TEST_F(DebugLogFile, AFileThatCannotBeOpenedIsSkipped) {
  SetVariable("ORO_DEBUG_LOG", root_.Path() + "/missing/folder/debug.log");
  _dbg("lost %d", 1);
  SetVariable("ORO_DEBUG_LOG", root_.Path());  // a folder
  _dbgw(L"lost %d", 2);
  SetVariable("ORO_DEBUG_LOG", log_);
  _dbg("kept");
  EXPECT_EQ(FileLines(log_), std::vector<std::string>{"kept"});
}

constexpr int kWriters = 4;
constexpr int kLines = 200;

void WriteLines(int w) {
  const std::string body(200, static_cast<char>('a' + w));
  for (int i = 0; i < kLines; ++i) _dbg("%d:%s", w, body.c_str());
}

#ifdef _WIN32
// Windows cannot fork: the writers are this program again, on this test
// alone, told by ORO_TEST_WRITER which writer to be and where to write.
constexpr const char* kWriterVariable = "ORO_TEST_WRITER";
constexpr const char* kWriterLogVariable = "ORO_TEST_WRITER_LOG";

bool ServeAsWriter() {
  const char* w = std::getenv(kWriterVariable);
  const char* log = std::getenv(kWriterLogVariable);
  if (!w || !*w || !log || !*log) return false;
  SetVariable("ORO_DEBUG_LOG", log);
  WriteLines(std::atoi(w));
  return true;
}

std::vector<intptr_t> StartWriters(const std::string& log) {
  std::vector<intptr_t> writers;
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  const std::wstring filter =
      L"--gtest_filter=" + platform::FromUtf8(std::string(info->test_suite_name()) + "." + info->name());
  const std::wstring self = platform::FromUtf8(oro::test::OwnProgram());
  const std::wstring quoted = L"\"" + self + L"\"";
  const wchar_t* argv[] = {quoted.c_str(), filter.c_str(), L"--gtest_brief=1", nullptr};
  // Each child inherits the variables as they are when it starts.
  SetVariable(kWriterLogVariable, log);
  for (int w = 0; w < kWriters; ++w) {
    SetVariable(kWriterVariable, std::to_string(w));
    writers.push_back(_wspawnv(_P_NOWAIT, self.c_str(), argv));
  }
  SetVariable(kWriterVariable, "");
  SetVariable(kWriterLogVariable, "");
  return writers;
}
#endif

TEST_F(DebugLogFile, LinesOfConcurrentProcessesStayWhole) {
#ifdef _WIN32
  if (ServeAsWriter()) return;
  for (intptr_t writer : StartWriters(log_)) {
    ASSERT_NE(writer, -1);
    int status = -1;
    ASSERT_EQ(_cwait(&status, writer, 0), writer);
    ASSERT_EQ(status, 0);
  }
#else
  std::vector<pid_t> children;
  for (int w = 0; w < kWriters; ++w) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      WriteLines(w);
      _exit(0);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
#endif
  const auto lines = FileLines(log_);
  ASSERT_EQ(lines.size(), static_cast<std::size_t>(kWriters * kLines));
  for (const auto& line : lines) {
    ASSERT_EQ(line.size(), 202u) << line;
    const int w = line[0] - '0';
    ASSERT_TRUE(w >= 0 && w < kWriters) << line;
    EXPECT_EQ(line.substr(2), std::string(200, static_cast<char>('a' + w))) << "lines interleaved";
  }
}

}  // namespace
}  // namespace oro::device_api
