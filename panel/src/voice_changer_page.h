// Voice-changer page: the switch and the four voices.
#pragma once

#include "panel_page.h"
#include "ui_voice_changer_page.h"

class QAbstractButton;

namespace oro::panel {

class VoiceChangerPage : public PanelPage {
  Q_OBJECT

 public:
  explicit VoiceChangerPage(PanelContext& context, QWidget* parent = nullptr);

  void SetUp() override;
  void ShowValues() override;
  void Retranslate() override;

 private:
  void Toggle();
  void VoiceClicked(int voice);

  Ui::VoiceChangerPage ui_;
  QAbstractButton* chosen_voice_ = nullptr;
};

}  // namespace oro::panel
