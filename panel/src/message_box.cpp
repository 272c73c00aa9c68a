#include "message_box.h"

#include <QGuiApplication>
#include <QMessageBox>
#include <cstdio>

namespace oro::panel {

void ShowMessage(QWidget* parent, const QString& caption, const QString& text) {
  std::fprintf(stderr, "oro_panel: %s\n", text.trimmed().toUtf8().constData());
  if (QGuiApplication::platformName() == QLatin1String("offscreen")) return;
  QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, parent);
  box.exec();
}

}  // namespace oro::panel
