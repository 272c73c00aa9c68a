// The window's side of the headset: looks it up, listens for its 7.1 key,
// polls its status off the GUI thread and shows link, battery and charging
// in the status strip, warning once when the battery runs low.
#pragma once

#include <QObject>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "oro/headset/headset_reports.h"
#include "oro/headset/key_listener.h"
#include "panel_context.h"

namespace oro::platform {
class HidBus;
}

namespace oro::panel {

class TrayIcon;

// At or below this charge, and not charging, the user is warned.
inline constexpr int kLowBatteryPercent = 20;

class HeadsetLink : public QObject {
  Q_OBJECT

 public:
  struct Options {
    // The bus the key listener opens its own connection on; none: no listener.
    std::shared_ptr<platform::HidBus> bus;
    int poll_ms = 5000;
    headset::KeyListener::Timing key_timing;
  };

  // tray: the window's tray icon when it has one (it may come later).
  HeadsetLink(PanelContext& context, std::function<TrayIcon*()> tray, Options options);
  // Stops both threads.
  ~HeadsetLink() override;

  // Looks the headset up, then starts the key listener and the status poll.
  void Start();
  // Joins both threads; nothing reaches the window after it returns.
  void Stop();

  // One status reply (result of the transfer and its payload) put on show.
  void ShowStatus(int result, const headset::HeadsetStatus& status);
  // The last reply again, after a language switch emptied the strip's text.
  void ShowLast();
  // A press of the headset's key: toggles virtual 7.1 as the page's switch
  // does and acknowledges the new state.
  void KeyPressed();

  headset::KeyListener* Listener() { return listener_.get(); }

 signals:
  void lowBattery(const QString& text);

 private:
  void Poll(common::HidIdentity id);
  // Puts a reply into the strip; false when no warning can apply to it.
  bool Display(int result, const headset::HeadsetStatus& status);

  PanelContext& context_;
  std::function<TrayIcon*()> tray_;
  Options options_;
  std::unique_ptr<headset::KeyListener> listener_;
  std::thread poller_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  bool warned_ = false;
  bool has_last_ = false;
  int last_result_ = 0;
  headset::HeadsetStatus last_status_;
};

}  // namespace oro::panel
