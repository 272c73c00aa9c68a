// The title strip: dragging the frameless window, the logo link, minimise,
// close and the tray icon.
#include <QCloseEvent>
#include <QDesktopServices>
#include <QMouseEvent>
#include <QUrl>

#include "main_window.h"

namespace oro::panel {

void demo::SetUpTitleStrip() {
  connect(ui_.pushButton_3, &QPushButton::clicked, this, &demo::OpenAbout);
  connect(ui_.pushButton_2, &QPushButton::clicked, this, &demo::OpenSettings);
  connect(ui_.pushButton_1, &QPushButton::clicked, this, &demo::Minimise);
  connect(ui_.pushButton, &QPushButton::clicked, this, &demo::Close);
  logo_button_ = new QPushButton(ui_.widget_top);
  logo_button_->setObjectName(QStringLiteral("pushButton_logo"));
  logo_button_->setGeometry(ui_.widget_4->geometry());
  logo_button_->setFlat(true);
  logo_button_->setFocusPolicy(Qt::NoFocus);
  logo_button_->setCursor(Qt::PointingHandCursor);
  logo_button_->setStyleSheet(QStringLiteral("background: transparent; border: none;"));
  connect(logo_button_, &QPushButton::clicked, this,
          [] { QDesktopServices::openUrl(QUrl(QString::fromLatin1(kMakerSite))); });
  logo_button_->raise();
}

void demo::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && event->pos().y() < ui_.widget_top->height()) {
    dragging_ = true;
    drag_offset_ = event->pos();
  }
  QMainWindow::mousePressEvent(event);
}

void demo::mouseMoveEvent(QMouseEvent* event) {
  if (dragging_ && (event->buttons() & Qt::LeftButton)) move(event->globalPos() - drag_offset_);
  QMainWindow::mouseMoveEvent(event);
}

void demo::mouseReleaseEvent(QMouseEvent* event) {
  dragging_ = false;
  QMainWindow::mouseReleaseEvent(event);
}

void demo::Minimise() {
  const auto& blocks = context_.blocks;
  if (blocks.Loaded()) {
    auto& b = context_.blocks;
    context_.settings.PersistBlocks(b.Block1(), b.Block2(), b.Block3());
  }
  showMinimized();
}

// With the tray preference on, closing hides the window behind the tray
// icon; where the desktop shows no tray, that would leave no way back, so the
// window is minimised instead.
void demo::Close() {
  if (!context_.settings.isAddSysicon()) {
    Shutdown();
    emit exitRequested(0);
    return;
  }
  CreateTray();
  if (options_.tray_available) {
    hide();
  } else {
    showMinimized();
  }
}

void demo::closeEvent(QCloseEvent* event) {
  if (shut_down_) {
    event->accept();
    return;
  }
  event->ignore();
  Close();
}

void demo::CreateTray() {
  if (tray_) return;
  tray_ = std::make_unique<TrayIcon>(TitleText(), this);
  connect(tray_.get(), &TrayIcon::exitRequested, this, [this] {
    Shutdown();
    emit exitRequested(0);
  });
}

}  // namespace oro::panel
