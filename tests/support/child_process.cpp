#include "child_process.h"

#include <gtest/gtest.h>

#include <cstdlib>

#ifdef _WIN32
#include <process.h>
#include <stdlib.h>
#include <windows.h>

#include "oro/platform/text.h"
#endif

namespace oro::test::detail {

namespace {
constexpr const char* kCallVariable = "ORO_TEST_CHILD_CALL";
constexpr const char* kRootVariable = "ORO_TEST_CHILD_ROOT";

std::string CurrentTest() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  return info ? std::string(info->test_suite_name()) + "." + info->name() : std::string();
}
}  // namespace

int NextChildCall() {
  static std::string test;
  static int calls = 0;
  const std::string now = CurrentTest();
  if (now != test) {
    test = now;
    calls = 0;
  }
  return ++calls;
}

int ServedChildCall(std::string* parent_root) {
  const char* call = std::getenv(kCallVariable);
  const char* root = std::getenv(kRootVariable);
  if (!call || !*call || !root || !*root) return 0;
  *parent_root = root;
  return std::atoi(call);
}

#ifdef _WIN32
int RunChildProgram(int call, const std::string& root) {
  std::fflush(nullptr);
  // The child inherits these; they are cleared again at once, so only it sees them.
  _putenv_s(kCallVariable, std::to_string(call).c_str());
  _putenv_s(kRootVariable, root.c_str());
  wchar_t path[32768];
  const DWORD n = GetModuleFileNameW(nullptr, path, 32768);
  if (n == 0 || n >= 32768) return -1;
  const std::wstring self(path, n);
  const std::wstring quoted = L"\"" + self + L"\"";
  const std::wstring filter = L"--gtest_filter=" + oro::platform::FromUtf8(CurrentTest());
  const wchar_t* argv[] = {quoted.c_str(), filter.c_str(), L"--gtest_brief=1", nullptr};
  const intptr_t rc = _wspawnv(_P_WAIT, self.c_str(), argv);
  _putenv_s(kCallVariable, "");
  _putenv_s(kRootVariable, "");
  return rc < 0 ? -1 : static_cast<int>(rc);
}

void EndProcess(int code) { _exit(code); }
#else
int RunChildProgram(int, const std::string&) { return -1; }

void EndProcess(int code) { _exit(code); }
#endif

}  // namespace oro::test::detail
