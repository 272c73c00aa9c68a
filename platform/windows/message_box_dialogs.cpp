// Message boxes for a process a user is looking at.
#include <windows.h>

#include "oro/platform/console_dialogs.h"
#include "oro/platform/windows/windows_adapters.h"

namespace oro::platform::windows_host {
namespace {

UINT IconStyle(DialogIcon icon) {
  switch (icon) {
    case DialogIcon::kError:
      return MB_ICONERROR;
    case DialogIcon::kWarning:
      return MB_ICONWARNING;
    default:
      return MB_ICONINFORMATION;
  }
}

class MessageBoxDialogs final : public Dialogs {
 public:
  explicit MessageBoxDialogs(std::shared_ptr<DebugOutput> debug)
      : debug_(std::move(debug)), console_(MakeConsoleDialogs(nullptr)) {}

  void ShowMessage(const std::wstring& text, const std::wstring& caption, DialogIcon icon) override {
    // Logged first: the box may stay up for a long time.
    if (debug_) debug_->Write(DialogLine(text, caption, icon));
    // No owner window: the library's caller may have none, or one on another
    // thread. Topmost and foreground so an installer's user sees it at once.
    const int answer =
        MessageBoxW(nullptr, text.c_str(), caption.c_str(), MB_OK | IconStyle(icon) | MB_TOPMOST | MB_SETFOREGROUND);
    // A desktop that cannot take a window (gone, or no display driver):
    // the message still reaches standard error rather than nowhere.
    if (answer <= 0) console_->ShowMessage(text, caption, icon);
  }

 private:
  std::shared_ptr<DebugOutput> debug_;
  std::unique_ptr<Dialogs> console_;
};

}  // namespace

bool OnVisibleWindowStation() {
  HWINSTA station = GetProcessWindowStation();  // not to be closed
  if (!station) return false;
  USEROBJECTFLAGS flags{};
  DWORD needed = 0;
  if (!GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, &needed)) return false;
  return (flags.dwFlags & WSF_VISIBLE) != 0;
}

std::unique_ptr<Dialogs> MakeMessageBoxDialogs(std::shared_ptr<DebugOutput> debug) {
  return std::make_unique<MessageBoxDialogs>(std::move(debug));
}

}  // namespace oro::platform::windows_host
