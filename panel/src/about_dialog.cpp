#include "about_dialog.h"

namespace oro::panel {

AboutDialog::AboutDialog(bool english, QWidget* parent) : QDialog(parent) {
  ui_.setupUi(this);
  setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
  ui_.label->hide();
  ui_.label_2->hide();
  const QString format = english ? QStringLiteral("Current version V%1.%2.%3") : tr("当前版本 V%1.%2.%3");
  ui_.label_3->setText(format.arg(kVersionMajor).arg(kVersionMinor).arg(kVersionPatch));
  connect(ui_.pushButton, &QPushButton::clicked, this, &QDialog::reject);
}

}  // namespace oro::panel
