// The tips shown at start while "isStartShow" is set; its check box stops
// them from showing again.
#pragma once

#include <QDialog>

#include "panel_settings.h"
#include "ui_tips_dialog.h"

namespace oro::panel {

class TipsDialog : public QDialog {
  Q_OBJECT

 public:
  TipsDialog(PanelSettings& settings, QWidget* parent);

 private:
  Ui::kj ui_;
};

}  // namespace oro::panel
