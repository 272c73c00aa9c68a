// Voice-changer page: the switch and the four voices.
#pragma once

#include "panel_page.h"
#include "ui_voice_changer_page.h"

namespace oro::panel {

class VoiceChangerPage : public PanelPage {
  Q_OBJECT

 public:
  explicit VoiceChangerPage(PanelContext& context, QWidget* parent = nullptr);

  void SetUp() override;
  void ShowValues() override;
  void Retranslate() override;

 private:
  Ui::VoiceChangerPage ui_;
};

}  // namespace oro::panel
