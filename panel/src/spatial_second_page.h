// Second form of the spatial page; not reachable from the menu.
#pragma once

#include "panel_page.h"
#include "ui_spatial_second_page.h"

namespace oro::panel {

class SpatialSecondPage : public PanelPage {
  Q_OBJECT

 public:
  explicit SpatialSecondPage(PanelContext& context, QWidget* parent = nullptr);

  void SetUp() override;
  void ShowValues() override;
  void Retranslate() override;

 private:
  Ui::SpatialSecondPage ui_;
};

}  // namespace oro::panel
