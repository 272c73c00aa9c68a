// Render sample-rate page; not reachable from the menu, the rate is never changed.
#pragma once

#include "panel_page.h"
#include "ui_sample_rate_page.h"

namespace oro::panel {

class SampleRatePage : public PanelPage {
  Q_OBJECT

 public:
  explicit SampleRatePage(PanelContext& context, QWidget* parent = nullptr);

  void SetUp() override;
  void ShowValues() override;
  void Retranslate() override;

 private:
  Ui::SampleRatePage ui_;
};

}  // namespace oro::panel
