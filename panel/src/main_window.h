// The panel's main window: a frameless window with a title strip, the left
// menu, the stack of twelve pages and the status strip. It owns the device
// record, the blocks and every piece of panel state, and runs the
// initialisation and the shutdown sequence.
#pragma once

#include <QButtonGroup>
#include <QMainWindow>
#include <QPoint>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>

#include "device_api.h"
#include "language.h"
#include "oro/updater/update_check.h"
#include "panel_context.h"
#include "panel_page.h"
#include "panel_settings.h"
#include "tray_icon.h"
#include "ui_demo.h"

namespace oro::platform {
class HidBus;
}

class QAbstractButton;
class QPushButton;

namespace oro::panel {

class HeadsetLink;
class UpgradePage;

inline constexpr int kPageCount = 12;
// Menu ids whose buttons are hidden: 1, 5, 7 and 10 (id 11 is hidden apart).
inline constexpr unsigned kHiddenMenuMask = 1186;
inline constexpr const char* kMakerSite = "https://orosound-kit.example/";
inline constexpr const wchar_t* kMonitorProgram = L"normal.exe";

class demo : public QMainWindow {
  Q_OBJECT

 public:
  struct Options {
    // The program's folder: the translations live below it.
    QString app_folder;
    // The custom equalizer curves; empty means app_folder + "/config/eqs.bin".
    QString curve_file;
    // The update check (run on a worker thread); none: no check.
    std::function<updater::UpdateCheckResult()> update_check;
    // Where the downloaded installer's private folder is made.
    QString temp_folder;
    // The question before the installer starts; none: a message box.
    std::function<bool(const QString& title, const QString& text)> ask_install;
    // Whether the desktop shows tray icons; without one, closing minimises.
    bool tray_available = false;
    // The headset's key listener connects here; none: no listener.
    std::shared_ptr<platform::HidBus> hid_bus;
    // Interval of the headset status query.
    int headset_poll_ms = 5000;
  };

  demo(DeviceApi& api, PanelSettings& settings, Options options, QWidget* parent = nullptr);
  ~demo() override;

  // Runs the initialisation in order. False when the library refused to set
  // up or to give the device record; the message has been shown and the
  // program should end with exit code 0.
  bool Initialise();
  // The shutdown sequence; runs once, later calls do nothing.
  void Shutdown();
  bool IsShutDown() const { return shut_down_; }

  // "DisplayName", else the kit's name.
  QString TitleText();
  void ApplyTitle();

  // Loads the flag's translation, re-applies every form's texts, then puts
  // the live values back.
  void ApplyLanguage();

  void OpenSettings();
  void OpenAbout();
  void ShowTips();

  // Status strip colours, master slider and mute image from the blocks.
  void RefreshStatusStrip();
  void ShowPage(int id);

  PanelContext& Context() { return context_; }
  PanelPage* Page(int index) { return pages_[static_cast<std::size_t>(index)]; }
  TrayIcon* Tray() { return tray_.get(); }
  HeadsetLink* Headset() { return headset_.get(); }
  bool ExitPollRunning() const { return exit_poll_.isActive(); }

 signals:
  // The program should end with this exit code (the shutdown already ran).
  void exitRequested(int code);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildPages();
  QString CurveFile() const;
  void SetUpTitleStrip();
  void SetUpMenu();
  void MenuClicked(int id);
  void ApplyStoredVolume(int stored, int flow);
  void Minimise();
  void Close();
  void CreateTray();
  void PollExitCommand();
  void ShowValues();
  void RunUpdateCheck();
  void ApplyPlacement(QWidget* dialog);

  Ui::demoClass ui_;
  PanelContext context_;
  Options options_;
  Language language_;
  std::array<PanelPage*, kPageCount> pages_{};
  UpgradePage* upgrade_page_ = nullptr;
  QButtonGroup menu_group_;
  QAbstractButton* chosen_menu_ = nullptr;
  QPushButton* logo_button_ = nullptr;
  std::unique_ptr<TrayIcon> tray_;
  std::unique_ptr<HeadsetLink> headset_;
  QTimer exit_poll_;
  bool settings_open_ = false;
  bool about_open_ = false;
  bool shut_down_ = false;
  bool dragging_ = false;
  QPoint drag_offset_;
};

}  // namespace oro::panel
