// What every page of the window shares: the library, the blocks, the
// preferences, the guard flags and the language. The window owns it.
#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>

#include "device_api.h"
#include "oro/common/hid_identity.h"
#include "panel_settings.h"
#include "sound_blocks.h"

namespace oro::panel {

struct PanelContext {
  PanelContext(DeviceApi& api_in, PanelSettings& settings_in) : api(api_in), settings(settings_in), blocks(api_in) {}

  DeviceApi& api;
  PanelSettings& settings;
  SoundBlocks blocks;
  // Set while the panel itself pushes values into widgets, so the widgets'
  // change handlers ignore the resulting signals.
  bool ui_update_guard = true;
  // Set around every render-volume call of the panel's own, so the system
  // volume watcher's echo of it is ignored.
  bool own_volume_guard = true;
  // 0 Chinese, 1..127 English, 128..255 untranslated.
  std::uint8_t language = 1;
  bool vol_locked = false;
  // The headset the lighting and status commands go to; all 0 when none was
  // found.
  common::HidIdentity headset;
  // The main window, where pages find the status strip's widgets by name.
  QWidget* window = nullptr;

  bool English() const { return language != 0; }
  template <typename T>
  T* Find(const char* name) const {
    return window != nullptr ? window->findChild<T*>(QString::fromLatin1(name)) : nullptr;
  }
};

// Sets a guard for the life of the scope and restores its earlier state.
class GuardScope {
 public:
  explicit GuardScope(bool& flag) : flag_(flag), before_(flag) { flag_ = true; }
  ~GuardScope() { flag_ = before_; }
  GuardScope(const GuardScope&) = delete;
  GuardScope& operator=(const GuardScope&) = delete;

 private:
  bool& flag_;
  bool before_;
};

}  // namespace oro::panel
