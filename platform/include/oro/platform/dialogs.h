// Dialogs port: a message for the user raised outside the panel's own code
// (the effect installation's failures). A program without a user (the audio
// service) gets an adapter that only records the message, so nothing ever
// waits for a click.
#pragma once

#include <string>

namespace oro::platform {

enum class DialogIcon { kError, kWarning, kInformation };

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  virtual void ShowMessage(const std::wstring& text, const std::wstring& caption, DialogIcon icon) = 0;
};

}  // namespace oro::platform
