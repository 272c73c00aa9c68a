// Messages written where a person at a console or a log reader sees them.
#include <cstdio>

#include "oro/platform/console_text.h"
#include "oro/platform/text.h"
#include "oro/platform/windows/windows_adapters.h"

namespace oro::platform::windows_host {
namespace {

const wchar_t* IconWord(DialogIcon icon) {
  switch (icon) {
    case DialogIcon::kError:
      return L"error";
    case DialogIcon::kWarning:
      return L"warning";
    default:
      return L"note";
  }
}

class ConsoleDialogs final : public Dialogs {
 public:
  explicit ConsoleDialogs(std::shared_ptr<DebugOutput> debug) : debug_(std::move(debug)) {}
  void ShowMessage(const std::wstring& text, const std::wstring& caption, DialogIcon icon) override {
    const std::wstring line = caption + L": " + IconWord(icon) + L": " + text;
    std::fprintf(stderr, "%s\n", ToConsoleEncoding(ToUtf8(line)).c_str());
    if (debug_) debug_->Write(line);
  }

 private:
  std::shared_ptr<DebugOutput> debug_;
};

}  // namespace

std::unique_ptr<Dialogs> MakeConsoleDialogs(std::shared_ptr<DebugOutput> debug) {
  return std::make_unique<ConsoleDialogs>(std::move(debug));
}

}  // namespace oro::platform::windows_host
