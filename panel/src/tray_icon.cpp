#include "tray_icon.h"

#include <QIcon>
#include <QWidget>

namespace oro::panel {

TrayIcon::TrayIcon(const QString& tooltip, QWidget* window) : QObject(window), window_(window) {
  menu_.setStyleSheet(QStringLiteral("background: #c0c0c0;"));
  QAction* exit = menu_.addAction(QStringLiteral("exit"));
  exit->setObjectName(QStringLiteral("action_exit"));
  connect(exit, &QAction::triggered, this, &TrayIcon::exitRequested);
  icon_.setContextMenu(&menu_);
  icon_.setIcon(QIcon(QStringLiteral(":/demo/demo.ico")));
  icon_.setToolTip(tooltip);
  connect(&icon_, &QSystemTrayIcon::activated, this, &TrayIcon::Activated);
  icon_.show();
}

void TrayIcon::Activated(QSystemTrayIcon::ActivationReason reason) {
  if (reason == QSystemTrayIcon::Trigger) {
    window_->show();
  } else if (reason == QSystemTrayIcon::DoubleClick) {
    if (window_->isVisible() && !window_->isMinimized()) return;
    window_->showNormal();
    window_->activateWindow();
  }
}

}  // namespace oro::panel
