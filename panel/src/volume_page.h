// Volume page: master, left and right volume, the left/right lock and mute.
#pragma once

#include "panel_page.h"
#include "ui_volume_page.h"

namespace oro::panel {

class VolumePage : public PanelPage {
  Q_OBJECT

 public:
  explicit VolumePage(PanelContext& context, QWidget* parent = nullptr);

  void SetUp() override;
  void ShowValues() override;
  void Retranslate() override;

 private:
  Ui::VolumePage ui_;
};

}  // namespace oro::panel
