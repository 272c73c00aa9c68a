// The message box adapter as a user meets it: a watcher thread finds the box
// by its caption, reads what it shows and presses OK. Wine makes windows
// only with a display driver; scripts/wine-test.sh gives its prefix the null
// driver, and without one the suite skips and says so.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "dialogs_contract.h"
#include "oro/platform/make_platform.h"
#include "oro/platform/windows/windows_adapters.h"
#include "oro/platform/windows/wine_host.h"
#include "temp_root.h"

namespace oro::test {
namespace {

using platform::DialogIcon;
using platform::contract::SeenMessage;

struct BoxView {
  bool found = false;
  std::wstring caption;
  std::wstring text;
  int icon = -1;  // a DialogIcon, or -1 when the box shows none of the three
  bool foreground = false;
  bool topmost = false;
  bool owned = false;
  std::string problem;
};

std::wstring TextOf(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

struct Children {
  HWND icon = nullptr;
  HWND button = nullptr;
};

BOOL CALLBACK CollectChild(HWND child, LPARAM param) {
  auto* found = reinterpret_cast<Children*>(param);
  wchar_t cls[32] = {};
  GetClassNameW(child, cls, 32);
  const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
  if (_wcsicmp(cls, L"Static") == 0 && (style & SS_TYPEMASK) == SS_ICON && !found->icon) found->icon = child;
  if (_wcsicmp(cls, L"Button") == 0 && !found->button) found->button = child;
  return TRUE;
}

int IconShown(HWND icon_control) {
  if (!icon_control) return -1;
  const auto shown = reinterpret_cast<HICON>(SendMessageW(icon_control, STM_GETICON, 0, 0));
  if (!shown) return -1;
  // The box takes the system's shared icons, the same handles LoadIconW gives.
  if (shown == LoadIconW(nullptr, IDI_ERROR)) return static_cast<int>(DialogIcon::kError);
  if (shown == LoadIconW(nullptr, IDI_WARNING)) return static_cast<int>(DialogIcon::kWarning);
  if (shown == LoadIconW(nullptr, IDI_INFORMATION)) return static_cast<int>(DialogIcon::kInformation);
  return -1;
}

// Looks for a shown dialog box captioned `caption` until `deadline` or until
// told to stop; reads it and answers it with its button, as a user would.
BoxView WatchForBox(const std::wstring& caption, std::chrono::milliseconds deadline, const std::atomic<bool>& stop) {
  BoxView view;
  HWND box = nullptr;
  const auto until = std::chrono::steady_clock::now() + deadline;
  while (!stop && std::chrono::steady_clock::now() < until) {
    box = FindWindowW(L"#32770", caption.c_str());
    if (box && IsWindowVisible(box)) break;
    box = nullptr;
    Sleep(20);
  }
  if (!box) {
    view.problem = "no box appeared within the deadline";
    return view;
  }
  view.found = true;
  view.caption = TextOf(box);
  const HWND text = GetDlgItem(box, 0xFFFF);  // the message's static control on every version
  if (text) view.text = TextOf(text);
  Children children;
  EnumChildWindows(box, CollectChild, reinterpret_cast<LPARAM>(&children));
  view.icon = IconShown(children.icon);
  view.foreground = GetForegroundWindow() == box;
  view.topmost = (GetWindowLongPtrW(box, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
  view.owned = GetWindow(box, GW_OWNER) != nullptr;
  if (!children.button) {
    view.problem = "the box has no button";
  } else {
    SendMessageW(children.button, BM_CLICK, 0, 0);
  }
  for (int i = 0; i < 250 && IsWindow(box); ++i) Sleep(20);
  if (IsWindow(box)) {
    view.problem = "pressing the button did not close the box";
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);  // so the test can end
  }
  return view;
}

class BoxWatcher {
 public:
  explicit BoxWatcher(std::wstring caption, std::chrono::milliseconds deadline = std::chrono::seconds(20))
      : thread_([this, caption = std::move(caption), deadline] { view_ = WatchForBox(caption, deadline, stop_); }) {}
  ~BoxWatcher() { Result(); }
  BoxWatcher(const BoxWatcher&) = delete;
  BoxWatcher& operator=(const BoxWatcher&) = delete;

  // Ends the search when no box has turned up yet, then waits for the watcher.
  BoxView Result() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    return view_;
  }

 private:
  std::atomic<bool> stop_{false};
  BoxView view_;
  std::thread thread_;
};

// Empty when a box can be made and seen here.
std::string BoxUnavailable() {
  if (!platform::windows_host::OnVisibleWindowStation()) return "the window station is not visible: nobody sees a box";
  HWND probe = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  if (!probe) {
    return "this desktop makes no windows (Wine without a display driver; scripts/wine-test.sh sets up its null "
           "driver)";
  }
  DestroyWindow(probe);
  return {};
}

class MessageBoxRig {
 public:
  static std::string Unavailable() { return BoxUnavailable(); }

  std::unique_ptr<platform::Dialogs> Make(std::shared_ptr<platform::DebugOutput> debug) {
    return platform::windows_host::MakeMessageBoxDialogs(std::move(debug));
  }

  void Expect(const std::wstring& caption) { watcher_ = std::make_unique<BoxWatcher>(caption); }

  SeenMessage Seen() {
    // ShowMessage has returned, so the watcher has answered the box; Result
    // only stops a search that never found one.
    const BoxView view = watcher_->Result();
    SeenMessage seen;
    seen.shown = view.found && view.problem.empty();
    seen.problem = view.problem;
    seen.caption = view.caption;
    seen.text = view.text;
    if (view.icon < 0) {
      seen.shown = false;
      seen.problem += " (the box shows none of the error, warning and information icons)";
    } else {
      seen.icon = static_cast<DialogIcon>(view.icon);
    }
    return seen;
  }

 private:
  std::unique_ptr<BoxWatcher> watcher_;
};

}  // namespace
}  // namespace oro::test

namespace oro::platform::contract {
INSTANTIATE_TYPED_TEST_SUITE_P(WindowsBox, DialogsContract, oro::test::MessageBoxRig);
}  // namespace oro::platform::contract

namespace oro::test {
namespace {

class MessageBoxDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string why = BoxUnavailable();
    if (!why.empty()) GTEST_SKIP() << why;
    _putenv_s("ORO_DIALOGS", "");
  }
  void TearDown() override { _putenv_s("ORO_DIALOGS", ""); }

  BoxView ShowThrough(platform::Dialogs& dialogs, const std::wstring& caption) {
    BoxWatcher watcher(caption);
    dialogs.ShowMessage(L"The effect could not be installed", caption, DialogIcon::kError);
    return watcher.Result();
  }
};

// An installer's user must see the box at once, over the installer's window,
// and no window of the caller may hold it.
TEST_F(MessageBoxDialogs, BoxIsOwnerlessAndInTheForeground) {
  auto dialogs = platform::windows_host::MakeMessageBoxDialogs(nullptr);
  const BoxView view = ShowThrough(*dialogs, L"oro box placement");
  ASSERT_TRUE(view.found) << view.problem;
  EXPECT_FALSE(view.owned);
  EXPECT_TRUE(view.foreground);
  if (!view.topmost && !platform::windows_host::WineVersion().empty()) {
    GTEST_SKIP() << "Wine " << platform::windows_host::WineVersion() << " does not keep a box topmost (MB_TOPMOST)";
  }
  EXPECT_TRUE(view.topmost);
}

// The platform of a program on the user's desktop shows boxes; asked for the
// console it never makes one, and an unknown choice is refused with its name.
TEST_F(MessageBoxDialogs, PlatformOnAVisibleStationShowsBoxesUnlessTheConsoleIsAskedFor) {
  TempRoot root;
  const platform::StatePaths paths = platform::ResolveStatePaths(root.Path().c_str());
  {
    platform::Platform p = platform::MakePlatform(platform::Profile::kHost, paths);
    const BoxView view = ShowThrough(*p.dialogs, L"oro chosen box");
    EXPECT_TRUE(view.found) << view.problem;
    EXPECT_EQ(view.text, L"The effect could not be installed");
  }
  _putenv_s("ORO_DIALOGS", "console");
  {
    platform::Platform p = platform::MakePlatform(platform::Profile::kHost, paths);
    ::testing::internal::CaptureStderr();
    const BoxView view = ShowThrough(*p.dialogs, L"oro chosen console");
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(view.found) << "a box appeared although the console was asked for";
    EXPECT_NE(err.find("oro chosen console: error: The effect could not be installed"), std::string::npos) << err;
  }
  _putenv_s("ORO_DIALOGS", "popup");
  try {
    platform::MakePlatformFromEnvironment();
    ADD_FAILURE() << "ORO_DIALOGS=popup was accepted";
  } catch (const std::invalid_argument& e) {
    EXPECT_NE(std::string(e.what()).find("ORO_DIALOGS=popup"), std::string::npos) << e.what();
  }
}

// A service's window station is not visible: the probe says so there, and
// says so no longer once the process is back on the user's station.
TEST_F(MessageBoxDialogs, StationThatIsNotVisibleIsToldApart) {
  HWINSTA own = GetProcessWindowStation();
  HWINSTA hidden = CreateWindowStationW(L"OroDialogsHidden", 0, WINSTA_ALL_ACCESS, nullptr);
  ASSERT_NE(hidden, nullptr) << GetLastError();
  ASSERT_TRUE(SetProcessWindowStation(hidden)) << GetLastError();
  const bool visible_there = platform::windows_host::OnVisibleWindowStation();
  ASSERT_TRUE(SetProcessWindowStation(own)) << GetLastError();
  CloseWindowStation(hidden);
  EXPECT_FALSE(visible_there);
  EXPECT_TRUE(platform::windows_host::OnVisibleWindowStation());
}

}  // namespace
}  // namespace oro::test
