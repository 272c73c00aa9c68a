// oro_panel: the control panel's entry. The checks come first, then the
// application, the window and the event loop; the shutdown sequence runs
// however the loop ends.
#include <QApplication>
#include <QFile>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QThread>
#include <cstdio>
#include <stdexcept>

#include "drag_probe.h"
#include "first_frame.h"
#include "library_device_api.h"
#include "main_window.h"
#include "message_box.h"
#include "oro/common/registry_access.h"
#include "oro/common/registry_exception.h"
#include "oro/eq/curve_store.h"
#include "oro/platform/install_layout.h"
#include "oro/platform/make_platform.h"
#include "oro/updater/update_check.h"
#include "panel_fonts.h"
#include "panel_settings.h"
#include "panel_startup.h"
#include "screenshots.h"

int main(int argc, char** argv) {
  using namespace oro;
  platform::Platform platform;
  try {
    platform = platform::MakePlatformFromEnvironment();
  } catch (const std::invalid_argument& e) {
    std::fprintf(stderr, "oro_panel: %s\n", e.what());
    return 2;
  }
  panel::PanelSettings settings(*platform.registry, platform.system.get());
  panel::LibraryDeviceApi api;

  qputenv("QT_ENABLE_HIGHDPI_SCALING", "1");
  // The device check may need a message box, so the application comes first.
  QApplication app(argc, argv);
  // Hidden behind the tray the window is closed but the panel runs on.
  QApplication::setQuitOnLastWindowClosed(false);
  panel::StartupHooks hooks;
  hooks.sleep = [](int ms) { QThread::msleep(static_cast<unsigned long>(ms)); };
  hooks.message = [](const QString& caption, const QString& text) { panel::ShowMessage(nullptr, caption, text); };
  const std::uint32_t locale = platform.system ? platform.system->DefaultLocaleId() : 0;
  if (const auto code = panel::RunEntryChecks(api, settings, locale, hooks)) return *code;

  panel::InitPanelResources();
  panel::ApplyPanelFont();
  app.setStyleSheet(QStringLiteral("QPushButton:focus { outline: none; }"));
  app.setWindowIcon(QIcon(QStringLiteral(":/demo/demo.ico")));

  panel::demo::Options options;
  const QString program_folder = QCoreApplication::applicationDirPath();
  // Installed, the translations are under the data folder and the program's
  // own folder is not writable, so the curves live in the state folder.
  options.app_folder =
      QFile::decodeName(platform::PanelDataFolder(QFile::encodeName(program_folder).toStdString()).c_str());
  options.curve_file = QString::fromStdString(eq::CurveStore::PathIn(platform.paths.state_dir));
  options.audio = platform.audio;
  options.tray_available = QSystemTrayIcon::isSystemTrayAvailable();
  options.hid_bus = platform.hid;
  // "InstallPath" as the library's set-up recorded it (read when the check
  // runs, after the set-up); without it there is nothing to check with.
  options.update_check = [registry = platform.registry] {
    std::wstring install_folder;
    try {
      install_folder = common::RegistryAccess(*registry).ReadString(panel::kKitKey, L"InstallPath");
    } catch (const common::RegistryException&) {
      return updater::UpdateCheckResult{};
    }
    return updater::CheckForUpdate(install_folder);
  };
  if (platform.system) options.temp_folder = QString::fromStdWString(platform.system->TempFolder());
  panel::demo window(api, settings, options);
  QObject::connect(&window, &panel::demo::exitRequested, &app, [](int code) { QCoreApplication::exit(code); });
  if (!window.Initialise()) return 0;

  if (const QScreen* screen = QGuiApplication::primaryScreen()) {
    const QRect area = screen->geometry();
    window.move((area.width() - window.width()) / 2, (area.height() - window.height()) / 2);
  }
  window.ApplyTitle();
  if (qEnvironmentVariableIsSet("ORO_PANEL_FIRST_FRAME")) new panel::FirstFrameReporter(&window);
  window.show();

  // Pictures of every page and dialog, then the normal shutdown.
  const QString screenshots = qEnvironmentVariable("ORO_PANEL_SCREENSHOTS");
  if (!screenshots.isEmpty()) {
    const QStringList files = panel::SaveScreenshots(window, screenshots);
    for (const QString& file : files) std::printf("%s\n", qPrintable(file));
    window.Shutdown();
    return files.isEmpty() ? 1 : 0;
  }
  // The slider benchmark's measured drag, then the normal shutdown.
  if (const int steps = qEnvironmentVariableIntValue("ORO_PANEL_DRAG_PROBE"); steps > 0 && platform.objects) {
    const int rc = panel::RunDragProbe(window, *platform.objects, steps);
    window.Shutdown();
    return rc;
  }
  if (settings.isStartShow()) window.ShowTips();

  const int result = app.exec();
  window.Shutdown();
  return result;
}
