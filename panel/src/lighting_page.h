// Headset lighting page; not reachable from the menu.
#pragma once

#include "panel_page.h"
#include "ui_lighting_page.h"

namespace oro::panel {

class LightingPage : public PanelPage {
  Q_OBJECT

 public:
  explicit LightingPage(PanelContext& context, QWidget* parent = nullptr);

  void SetUp() override;
  void ShowValues() override;
  void Retranslate() override;

 private:
  Ui::LightingPage ui_;
};

}  // namespace oro::panel
