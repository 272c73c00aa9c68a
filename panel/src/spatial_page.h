// Spatial page: virtual 7.1, spatial sound and its room size.
#pragma once

#include "panel_page.h"
#include "ui_spatial_page.h"

class QAbstractButton;

namespace oro::panel {

class SpatialPage : public PanelPage {
  Q_OBJECT

 public:
  explicit SpatialPage(PanelContext& context, QWidget* parent = nullptr);

  void SetUp() override;
  void ShowValues() override;
  void Retranslate() override;

 private:
  void RoomClicked(int size);
  void ChooseEnvironment(int environment);

  Ui::SpatialPage ui_;
  QAbstractButton* chosen_room_ = nullptr;
  QAbstractButton* chosen_environment_ = nullptr;
};

}  // namespace oro::panel
