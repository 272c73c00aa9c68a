// Upgrade page: the firmware update of the dongle or the headset, and the
// kit's own update (check, download, verification, installer). One job runs
// at a time on a worker thread, which reaches the widgets only through
// queued calls; the buttons come back when the job ends, however it ends.
#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "oro/updater/update_check.h"
#include "panel_page.h"
#include "ui_upgrade_page.h"

namespace oro::panel {

// Firmware images larger than this are refused before anything is sent.
inline constexpr std::uint64_t kMaxFirmwareBytes = 4u << 20;
inline constexpr const wchar_t* kDeviceMonitorProgram = L"devmonitor.exe";
inline constexpr const char* kInstallerFileName = "oro_setup.exe";
// The firmware update's mode for each target.
inline constexpr int kDongleMode = 1;
inline constexpr int kHeadsetMode = 2;

class UpgradePage : public PanelPage {
  Q_OBJECT

 public:
  struct Options {
    // The update check (runs on the worker thread); none: no check at all.
    std::function<updater::UpdateCheckResult()> check;
    // Where the installer's private folder is made.
    QString temp_folder;
    // The question before the installer starts, on the GUI thread; true
    // for OK. None: the panel's own box.
    std::function<bool(const QString& title, const QString& text)> ask;
  };

  explicit UpgradePage(PanelContext& context, QWidget* parent = nullptr);

  void SetOptions(Options options) { options_ = std::move(options); }
  void SetUp() override;
  void ShowValues() override;
  void Retranslate() override;
  // Waits for a running job; nothing it posts is shown afterwards.
  void Stop() override;

  // The start-up check, in the background; a new version is announced by
  // newVersionFound().
  void CheckAtStart();
  bool Busy() const { return busy_; }

 signals:
  void newVersionFound();
  // Any job (check, download, firmware update) has ended and the buttons
  // are back.
  void jobFinished();

 private:
  struct Text {
    QString english;
    QString chinese;
  };

  void SetStatus(const Text& text);
  void PostStatus(const Text& text);
  void PostProgress(int value);
  void SetButtonsEnabled(bool enabled);
  void StartJob(std::function<void()> body);
  void EndJob();

  void chooseFirmwareFile();
  void StartFirmwareUpdate(int mode, const QString& missing_message);
  static void reportUpdateProgress(void* context, std::int32_t value, std::int32_t stage);
  void FirmwareDone(int result, bool ended, int device_code);

  void OnUpdateButtonClicked();
  void RunCheck(bool from_button);
  static void OnDownloadProgress(std::uint32_t event, std::int32_t value, void* context);
  void AskAndInstall(const std::shared_ptr<std::vector<std::uint8_t>>& installer);
  bool Ask(const QString& title, const QString& text);

  Ui::UpgradePage ui_;
  Options options_;
  Text status_;
  std::thread worker_;
  bool busy_ = false;
  bool stopped_ = false;
};

}  // namespace oro::panel
