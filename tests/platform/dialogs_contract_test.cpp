// The console adapter (the same source on every system) against the Dialogs
// contract: what the user sees is the line it wrote to its stream.
#include <cstdio>
#include <string>

#include "dialogs_contract.h"
#include "oro/platform/text.h"
#include "temp_root.h"

namespace oro::test {
namespace {

using platform::DialogIcon;
using platform::contract::SeenMessage;

class ConsoleRig {
 public:
  ConsoleRig() : file_(std::fopen((root_.Path() + "/console.txt").c_str(), "w+b")) {}
  ~ConsoleRig() {
    if (file_) std::fclose(file_);
  }
  ConsoleRig(const ConsoleRig&) = delete;
  ConsoleRig& operator=(const ConsoleRig&) = delete;

  static std::string Unavailable() { return {}; }

  std::unique_ptr<platform::Dialogs> Make(std::shared_ptr<platform::DebugOutput> debug) {
    return file_ ? platform::MakeConsoleDialogs(std::move(debug), file_) : nullptr;
  }

  void Expect(const std::wstring&) {
    std::fseek(file_, 0, SEEK_END);
    mark_ = std::ftell(file_);
  }

  // One line "caption: icon: text" (the text may hold line breaks), ending in a line break.
  SeenMessage Seen() {
    SeenMessage seen;
    std::fseek(file_, mark_, SEEK_SET);
    std::string bytes;
    char buffer[512];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file_)) > 0;) bytes.append(buffer, n);
    if (bytes.empty() || bytes.back() != '\n') {
      seen.problem = "the console got no complete line: \"" + bytes + "\"";
      return seen;
    }
    bytes.pop_back();
    const std::wstring line = platform::FromUtf8(bytes);
    const std::pair<const wchar_t*, DialogIcon> words[] = {{L": error: ", DialogIcon::kError},
                                                           {L": warning: ", DialogIcon::kWarning},
                                                           {L": note: ", DialogIcon::kInformation}};
    std::size_t best = std::wstring::npos;
    std::size_t word_length = 0;
    for (const auto& [word, icon] : words) {
      const std::size_t at = line.find(word);
      if (at < best) {
        best = at;
        word_length = std::wcslen(word);
        seen.icon = icon;
      }
    }
    if (best == std::wstring::npos) {
      seen.problem = "no icon word in the console line \"" + bytes + "\"";
      return seen;
    }
    seen.shown = true;
    seen.caption = line.substr(0, best);
    seen.text = line.substr(best + word_length);
    return seen;
  }

 private:
  TempRoot root_;
  std::FILE* file_;
  long mark_ = 0;
};

}  // namespace
}  // namespace oro::test

namespace oro::platform::contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Console, DialogsContract, oro::test::ConsoleRig);
}  // namespace oro::platform::contract

namespace oro::test {
namespace {

// Without a stream of its own the line goes to standard error, where a
// person at a console or a service's journal sees it.
TEST(ConsoleDialogs, DefaultStreamIsStandardError) {
  auto debug = std::make_shared<platform::contract::RecordingDebugOutput>();
  auto dialogs = platform::MakeConsoleDialogs(debug);
  ::testing::internal::CaptureStderr();
  dialogs->ShowMessage(L"Service start timed out", L"oro_panel", DialogIcon::kError);
  const std::string err = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(err, "oro_panel: error: Service start timed out\n");
  ASSERT_EQ(debug->Lines().size(), 1u);
}

}  // namespace
}  // namespace oro::test
