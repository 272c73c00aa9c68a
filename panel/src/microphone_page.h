// Microphone page: input volume, mute and monitoring.
#pragma once

#include "panel_page.h"
#include "ui_microphone_page.h"

namespace oro::panel {

class MicrophonePage : public PanelPage {
  Q_OBJECT

 public:
  explicit MicrophonePage(PanelContext& context, QWidget* parent = nullptr);

  void SetUp() override;
  void ShowValues() override;
  void Retranslate() override;

 private:
  Ui::MicrophonePage ui_;
};

}  // namespace oro::panel
