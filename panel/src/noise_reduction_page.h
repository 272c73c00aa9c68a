// Noise-reduction page: the switch and its strength.
#pragma once

#include "panel_page.h"
#include "ui_noise_reduction_page.h"

namespace oro::panel {

class NoiseReductionPage : public PanelPage {
  Q_OBJECT

 public:
  explicit NoiseReductionPage(PanelContext& context, QWidget* parent = nullptr);

  void SetUp() override;
  void ShowValues() override;
  void Retranslate() override;

 private:
  void Toggle();
  void StrengthMoved(int value);
  void ResetStrength();

  Ui::NoiseReductionPage ui_;
  bool showing_ = false;
};

}  // namespace oro::panel
