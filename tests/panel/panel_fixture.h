// A panel window on a recording library and a real settings store in a
// fresh state folder, with the translations the build compiled.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

#include "main_window.h"
#include "oro/platform/make_platform.h"
#include "panel_settings.h"
#include "recording_device_api.h"
#include "temp_root.h"

namespace oro::test {

class PanelTest : public ::testing::Test {
 protected:
  PanelTest();
  ~PanelTest() override;

  // A record whose blocks have distinct values in every field the window
  // shows.
  static common::DeviceInfo SampleRecord();

  // Builds (and initialises) the window; options may be changed before.
  panel::demo& Window(bool initialise = true);
  common::RegistryAccess Registry() { return common::RegistryAccess(*platform_.registry); }
  void SetDword(const wchar_t* name, std::uint32_t value);
  void SetString(const wchar_t* name, const std::wstring& value);

  template <typename T>
  T* Find(const char* name) {
    return window_->findChild<T*>(QString::fromLatin1(name));
  }

  TempRoot root_;
  platform::Platform platform_;
  RecordingDeviceApi api_;
  std::unique_ptr<panel::PanelSettings> settings_;
  panel::demo::Options options_;
  std::unique_ptr<panel::demo> window_;
};

// Runs `action` on the dialog once it is shown modally, so a test can drive
// a dialog that blocks in exec().
void WhenModal(std::function<void(QWidget*)> action);

}  // namespace oro::test
