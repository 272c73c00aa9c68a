// Equalizer page: the switch, presets, ten band sliders and the custom curves.
#pragma once

#include "panel_page.h"
#include "ui_equalizer_page.h"

namespace oro::panel {

class EqualizerPage : public PanelPage {
  Q_OBJECT

 public:
  explicit EqualizerPage(PanelContext& context, QWidget* parent = nullptr);

  void SetUp() override;
  void ShowValues() override;
  void Retranslate() override;

 private:
  Ui::EqualizerPage ui_;
};

}  // namespace oro::panel
