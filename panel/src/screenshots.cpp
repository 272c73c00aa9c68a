#include "screenshots.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QPixmap>
#include <cstdio>

#include "about_dialog.h"
#include "main_window.h"
#include "settings_dialog.h"
#include "tips_dialog.h"

namespace oro::panel {

namespace {

bool WritePng(const QPixmap& picture, const QString& path) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  if (!buffer.open(QIODevice::WriteOnly) || !picture.save(&buffer, "PNG")) return false;
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
  file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                      QFileDevice::ReadOther);
  return file.write(bytes) == bytes.size() && file.flush();
}

void Settle() {
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
}

}  // namespace

QStringList SaveScreenshots(demo& window, const QString& folder) {
  QStringList written;
  if (!QDir().mkpath(folder)) {
    std::fprintf(stderr, "oro_panel: cannot create the folder %s\n", qPrintable(folder));
    return written;
  }
  auto save = [&](const QPixmap& picture, const QString& name) {
    const QString path = QDir(folder).filePath(name);
    if (WritePng(picture, path)) {
      written << path;
    } else {
      std::fprintf(stderr, "oro_panel: cannot write %s\n", qPrintable(path));
    }
  };
  const std::uint8_t language = window.Context().language;
  // The upgrade page as it shows once a new version was found.
  if (auto* controls = window.findChild<QWidget*>(QStringLiteral("widget_45"))) controls->show();
  // Menu ids of the pages a user can reach, then the headset's lighting page
  // and the upgrade page.
  const int shown_pages[] = {0, 2, 3, 4, 6, 8, 9, 10, 11};
  for (const std::uint8_t flag : {std::uint8_t{0}, std::uint8_t{1}}) {
    const QString tag = flag == 0 ? QStringLiteral("zh") : QStringLiteral("en");
    window.Context().language = flag;
    window.ApplyLanguage();
    for (int id : shown_pages) {
      window.ShowPage(id);
      Settle();
      save(window.grab(), QStringLiteral("panel-%1-%2.png").arg(tag, window.Page(id)->objectName()));
    }
    SettingsDialog settings(window.Context().settings, flag, &window);
    AboutDialog about(flag != 0, &window);
    TipsDialog tips(window.Context().settings, &window);
    const std::pair<QDialog*, const char*> dialogs[] = {{&settings, "settings"}, {&about, "about"}, {&tips, "tips"}};
    for (const auto& [dialog, name] : dialogs) {
      dialog->show();
      Settle();
      save(dialog->grab(), QStringLiteral("dialog-%1-%2.png").arg(tag, QLatin1String(name)));
      dialog->hide();
    }
  }
  window.Context().language = language;
  window.ApplyLanguage();
  window.ShowPage(0);
  return written;
}

}  // namespace oro::panel
