#include "first_frame.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <cstdio>

namespace oro::panel {

FirstFrameReporter::FirstFrameReporter(QWidget* window) : QObject(window) { window->installEventFilter(this); }

bool FirstFrameReporter::eventFilter(QObject* watched, QEvent* event) {
  if (!reported_ && event->type() == QEvent::Paint) {
    reported_ = true;
    // Reported once the paint in progress has reached the screen.
    QTimer::singleShot(0, this, [] {
      std::fputs("first frame\n", stdout);
      std::fflush(stdout);
    });
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace oro::panel
