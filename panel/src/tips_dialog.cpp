#include "tips_dialog.h"

namespace oro::panel {

TipsDialog::TipsDialog(PanelSettings& settings, QWidget* parent) : QDialog(parent) {
  ui_.setupUi(this);
  setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
  connect(ui_.checkBox, &QCheckBox::toggled, this, [&settings](bool checked) { settings.SetStartShow(!checked); });
  connect(ui_.pushButton, &QPushButton::clicked, this, &QDialog::accept);
}

}  // namespace oro::panel
