// Spatial page: virtual 7.1, spatial sound and room size.
#pragma once

#include "panel_page.h"
#include "ui_spatial_page.h"

namespace oro::panel {

class SpatialPage : public PanelPage {
  Q_OBJECT

 public:
  explicit SpatialPage(PanelContext& context, QWidget* parent = nullptr);

  void SetUp() override;
  void ShowValues() override;
  void Retranslate() override;

 private:
  Ui::SpatialPage ui_;
};

}  // namespace oro::panel
