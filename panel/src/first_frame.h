// Tells a watching program (the start-up benchmark) when the window has
// painted its first frame: one line "first frame" on standard output.
#pragma once

#include <QObject>

namespace oro::panel {

class FirstFrameReporter : public QObject {
  Q_OBJECT

 public:
  explicit FirstFrameReporter(QWidget* window);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  bool reported_ = false;
};

}  // namespace oro::panel
