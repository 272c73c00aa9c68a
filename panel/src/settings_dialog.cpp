#include "settings_dialog.h"

namespace oro::panel {

SettingsDialog::SettingsDialog(PanelSettings& settings, std::uint8_t language, QWidget* parent)
    : QDialog(parent), settings_(settings) {
  ui_.setupUi(this);
  setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
  // Flags 2 to 127 are English too; 128 and above show the form's own entry.
  ui_.comboBox->setCurrentIndex(language == 0 ? 0 : (language < 128 ? 1 : 0));
  ui_.checkBox_2->hide();
  ui_.checkBox->setChecked(settings_.isAddSysicon());
  ui_.checkBox_2->setChecked(!settings_.isStartShow());
  connect(ui_.pushButton, &QPushButton::clicked, this, &QDialog::reject);
  connect(ui_.pushButton_2, &QPushButton::clicked, this, &SettingsDialog::Confirm);
}

void SettingsDialog::Confirm() {
  settings_.SetAddSysicon(ui_.checkBox->isChecked());
  settings_.SetStartShow(!ui_.checkBox_2->isChecked());
  settings_.SetLanguage(ChosenLanguage());
  accept();
}

}  // namespace oro::panel
