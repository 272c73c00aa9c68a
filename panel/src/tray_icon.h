// The tray icon with its one-item menu; created at most once per run.
#pragma once

#include <QMenu>
#include <QObject>
#include <QSystemTrayIcon>

namespace oro::panel {

class TrayIcon : public QObject {
  Q_OBJECT

 public:
  TrayIcon(const QString& tooltip, QWidget* window);

  void SetToolTip(const QString& tooltip) { icon_.setToolTip(tooltip); }
  void Hide() { icon_.hide(); }
  void ShowMessage(const QString& title, const QString& text) { icon_.showMessage(title, text); }
  QMenu& Menu() { return menu_; }

 signals:
  void exitRequested();

 private:
  void Activated(QSystemTrayIcon::ActivationReason reason);

  QWidget* window_;
  QMenu menu_;
  QSystemTrayIcon icon_;
};

}  // namespace oro::panel
