// Contract of the Dialogs port: what the user is shown is the caption, the
// text and the icon exactly as given, once, and the debug output gets the
// same message as one line (DialogLine), so a log tells what the user saw.
// An adapter's test file supplies a rig and instantiates the suite:
//
//   class MyRig {
//    public:
//     // Empty when the adapter can be shown here, else why not (the suite skips).
//     static std::string Unavailable();
//     // The adapter under test, writing its diagnostics to `debug`.
//     std::unique_ptr<Dialogs> Make(std::shared_ptr<DebugOutput> debug);
//     // Called before each ShowMessage: look out for the message captioned
//     // `caption` and answer it as a user would when it waits for one.
//     void Expect(const std::wstring& caption);
//     // After ShowMessage returned: what the user saw of it.
//     SeenMessage Seen();
//   };
//   using namespace oro::platform::contract;
//   INSTANTIATE_TYPED_TEST_SUITE_P(My, DialogsContract, MyRig);
//
// Include this header in one test file per program (it registers the suite).
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "oro/platform/console_dialogs.h"
#include "oro/platform/debug_output.h"
#include "oro/platform/dialogs.h"

namespace oro::platform::contract {

struct SeenMessage {
  bool shown = false;
  std::wstring caption;
  std::wstring text;
  DialogIcon icon = DialogIcon::kInformation;
  // Why nothing (or something unreadable) was seen, for the failure message.
  std::string problem;
};

class RecordingDebugOutput final : public DebugOutput {
 public:
  void Write(const std::wstring& line) override {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.push_back(line);
  }
  std::vector<std::wstring> Lines() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return lines_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::wstring> lines_;
};

inline const char* IconName(DialogIcon icon) {
  switch (icon) {
    case DialogIcon::kError:
      return "error";
    case DialogIcon::kWarning:
      return "warning";
    default:
      return "information";
  }
}

template <typename Rig>
class DialogsContract : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string why = Rig::Unavailable();
    if (!why.empty()) GTEST_SKIP() << why;
    dialogs_ = rig_.Make(debug_);
    ASSERT_NE(dialogs_, nullptr);
  }

  // Shows one message and checks everything the user and the log got of it.
  void ShowAndCheck(const std::wstring& text, const std::wstring& caption, DialogIcon icon) {
    const std::size_t logged = debug_->Lines().size();
    rig_.Expect(caption);
    dialogs_->ShowMessage(text, caption, icon);
    const SeenMessage seen = rig_.Seen();
    ASSERT_TRUE(seen.shown) << seen.problem;
    EXPECT_EQ(seen.caption, caption);
    EXPECT_EQ(seen.text, text);
    EXPECT_STREQ(IconName(seen.icon), IconName(icon));
    const std::vector<std::wstring> lines = debug_->Lines();
    ASSERT_EQ(lines.size(), logged + 1) << "one debug line per message";
    EXPECT_EQ(lines.back(), DialogLine(text, caption, icon));
  }

  Rig rig_;
  std::shared_ptr<RecordingDebugOutput> debug_ = std::make_shared<RecordingDebugOutput>();
  std::unique_ptr<Dialogs> dialogs_;
};

TYPED_TEST_SUITE_P(DialogsContract);

// The installer's failure, then a warning and a note: each reaches the user
// with its own icon, and one answered message does not swallow the next.
TYPED_TEST_P(DialogsContract, EachIconReachesTheUserWithCaptionAndTextExactly) {
  this->ShowAndCheck(L"Service start timed out on service \"AudioSrv\"", L"C:\\Program Files\\OroSound\\oro_panel.exe",
                     DialogIcon::kError);
  this->ShowAndCheck(L"The headset was unplugged during the update", L"oro contract warning", DialogIcon::kWarning);
  this->ShowAndCheck(L"Nothing to do", L"oro contract note", DialogIcon::kInformation);
}

// Chinese text with its leading spaces, a character outside the basic plane
// (a surrogate pair where wchar_t is 16 bits) and a second line all arrive.
TYPED_TEST_P(DialogsContract, TextOutsideAsciiAndOnSeveralLinesArrivesWhole) {
  this->ShowAndCheck(L"  \u627e\u4e0d\u5230\u8bbe\u5907", L"\u6e29\u99a8\u63d0\u793a", DialogIcon::kWarning);
  this->ShowAndCheck(L"Headset \U0001F3A7 not found.\nPlug it in and try again.", L"oro contract lines",
                     DialogIcon::kError);
}

REGISTER_TYPED_TEST_SUITE_P(DialogsContract, EachIconReachesTheUserWithCaptionAndTextExactly,
                            TextOutsideAsciiAndOnSeveralLinesArrivesWhole);

}  // namespace oro::platform::contract
