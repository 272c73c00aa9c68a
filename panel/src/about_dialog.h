// About: the logo and the version line.
#pragma once

#include <QDialog>

#include "ui_about_dialog.h"

namespace oro::panel {

inline constexpr int kVersionMajor = 2;
inline constexpr int kVersionMinor = 0;
inline constexpr int kVersionPatch = 5;

class AboutDialog : public QDialog {
  Q_OBJECT

 public:
  AboutDialog(bool english, QWidget* parent);

 private:
  Ui::Dialog ui_;
};

}  // namespace oro::panel
