// What every Dialogs adapter promises: the message reaches the debug output
// with its caption, and showing it never waits for anybody.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <vector>

#include "oro/platform/linux/host_adapters.h"

namespace oro::test {
namespace {

class RecordingOutput final : public platform::DebugOutput {
 public:
  void Write(const std::wstring& line) override { lines.push_back(line); }
  std::vector<std::wstring> lines;
};

struct DialogsCase {
  const char* name;
  std::function<std::unique_ptr<platform::Dialogs>(std::shared_ptr<platform::DebugOutput>)> make;
};

class DialogsContract : public ::testing::TestWithParam<DialogsCase> {};

TEST_P(DialogsContract, MessageIsRecordedWithItsCaptionWithoutWaiting) {
  auto output = std::make_shared<RecordingOutput>();
  auto dialogs = GetParam().make(output);
  // Standard input is not read: a process without a user must never block here.
  dialogs->ShowMessage(L"Service start timed out on service \"AudioSrv\"", L"/opt/kit/oro_panel",
                       platform::DialogIcon::kError);
  ASSERT_EQ(output->lines.size(), 1u);
  EXPECT_NE(output->lines[0].find(L"/opt/kit/oro_panel"), std::wstring::npos);
  EXPECT_NE(output->lines[0].find(L"Service start timed out on service \"AudioSrv\""), std::wstring::npos);
}

INSTANTIATE_TEST_SUITE_P(Adapters, DialogsContract,
                         ::testing::Values(DialogsCase{"console",
                                                       [](std::shared_ptr<platform::DebugOutput> out) {
                                                         return platform::linux_host::MakeConsoleDialogs(out);
                                                       }}),
                         [](const ::testing::TestParamInfo<DialogsCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace oro::test
