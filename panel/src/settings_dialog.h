// Settings: the language, the tray icon preference and the start message.
#pragma once

#include <QDialog>
#include <cstdint>

#include "panel_settings.h"
#include "ui_settings_dialog.h"

namespace oro::panel {

class SettingsDialog : public QDialog {
  Q_OBJECT

 public:
  SettingsDialog(PanelSettings& settings, std::uint8_t language, QWidget* parent);

  // The language chosen when the dialog was confirmed.
  std::uint8_t ChosenLanguage() const { return static_cast<std::uint8_t>(ui_.comboBox->currentIndex()); }

 private:
  void Confirm();

  Ui::dlgsetting ui_;
  PanelSettings& settings_;
};

}  // namespace oro::panel
