// Built into each system's helper library, beside its console_text.cpp.
#include "oro/platform/console_dialogs.h"

#include "oro/platform/console_text.h"
#include "oro/platform/text.h"

namespace oro::platform {
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
  ConsoleDialogs(std::shared_ptr<DebugOutput> debug, std::FILE* stream) : debug_(std::move(debug)), stream_(stream) {}

  void ShowMessage(const std::wstring& text, const std::wstring& caption, DialogIcon icon) override {
    const std::wstring line = DialogLine(text, caption, icon);
    if (stream_) {
      const std::string bytes = ToConsoleEncoding(ToUtf8(line)) + "\n";
      std::fwrite(bytes.data(), 1, bytes.size(), stream_);
      std::fflush(stream_);
    }
    if (debug_) debug_->Write(line);
  }

 private:
  std::shared_ptr<DebugOutput> debug_;
  std::FILE* stream_;
};

}  // namespace

std::wstring DialogLine(const std::wstring& text, const std::wstring& caption, DialogIcon icon) {
  return caption + L": " + IconWord(icon) + L": " + text;
}

std::unique_ptr<Dialogs> MakeConsoleDialogs(std::shared_ptr<DebugOutput> debug, std::FILE* stream) {
  return std::make_unique<ConsoleDialogs>(std::move(debug), stream);
}

}  // namespace oro::platform
