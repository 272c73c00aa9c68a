#include "sound_field_page.h"

#include "page_style.h"

namespace oro::panel {

SoundFieldPage::SoundFieldPage(PanelContext& context, QWidget* parent) : PanelPage(context, parent) {
  ui_.setupUi(this);
}

void SoundFieldPage::SetUp() {
  SetSwitchImage(ui_.pushButton_14, context_.blocks.Block2().Mode(common::ListeningMode::kSoundField));
  ShowValues();
}

void SoundFieldPage::ShowValues() {
  GuardScope guard(context_.ui_update_guard);
  using common::Speaker;
  const auto& block2 = context_.blocks.Block2();
  const std::pair<QSlider*, QLabel*> trims[] = {
      {ui_.page4_L, ui_.L_V},   {ui_.page4_R, ui_.R_V},   {ui_.page4_LS, ui_.LS_V}, {ui_.page4_RS, ui_.RS_V},
      {ui_.page4_LB, ui_.LB_V}, {ui_.page4_RB, ui_.RB_V}, {ui_.page4_c, ui_.C_V},   {ui_.page4_w, ui_.W_V},
  };
  for (std::size_t s = 0; s < common::kSpeakerCount; ++s) {
    const int trim = block2.Trim(static_cast<Speaker>(s));
    trims[s].first->setValue(trim);
    trims[s].second->setText(QString::number(trim));
  }
}

void SoundFieldPage::Retranslate() {
  ui_.retranslateUi(this);
  ShowValues();
}

}  // namespace oro::panel
