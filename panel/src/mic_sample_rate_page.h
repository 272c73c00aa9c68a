// Microphone sample-rate page; not reachable from the menu.
#pragma once

#include "panel_page.h"
#include "ui_mic_sample_rate_page.h"

namespace oro::panel {

class MicSampleRatePage : public PanelPage {
  Q_OBJECT

 public:
  explicit MicSampleRatePage(PanelContext& context, QWidget* parent = nullptr);

  void SetUp() override;
  void ShowValues() override;
  void Retranslate() override;

 private:
  Ui::MicSampleRatePage ui_;
};

}  // namespace oro::panel
