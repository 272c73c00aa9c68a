#include "voice_changer_page.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>

#include "page_style.h"

namespace oro::panel {

VoiceChangerPage::VoiceChangerPage(PanelContext& context, QWidget* parent) : PanelPage(context, parent) {
  ui_.setupUi(this);
}

void VoiceChangerPage::SetUp() {
  ui_.checkBox_6->hide();
  ui_.checkBox_5->hide();
  ui_.widget_46->hide();
  const common::PropertyBlock1& b1 = context_.blocks.Block1();
  ui_.checkBox_5->setChecked(b1.MicEcho());
  for (int k = 1; k <= 4; ++k) {
    auto* button = findChild<QPushButton*>(QStringLiteral("btn_mh%1").arg(k));
    if (button == nullptr) continue;
    if (static_cast<int>(b1.VoiceKind()) == k) HighlightRow(button, &chosen_voice_);
    connect(button, &QPushButton::clicked, this, [this, k] { VoiceClicked(k); });
  }
  ShowValues();
  connect(ui_.pushButton_8, &QPushButton::clicked, this, [this] { Toggle(); });
}

void VoiceChangerPage::ShowValues() {
  const bool on = context_.blocks.Block1().VoiceChanger();
  SetSwitchImage(ui_.pushButton_8, on);
  SetStatusColour(context_.Find<QLabel>("label_151"), on);
}

void VoiceChangerPage::Retranslate() {
  ui_.retranslateUi(this);
  ShowValues();
}

void VoiceChangerPage::Toggle() {
  common::PropertyBlock1& b1 = context_.blocks.Block1();
  b1.SetVoiceChanger(!b1.VoiceChanger());
  SetSwitchImage(ui_.pushButton_8, b1.VoiceChanger());
  // A changed voice needs the noise reduction on; its switch sends block 1 itself.
  if (b1.VoiceChanger() && !b1.NoiseReduction()) {
    if (auto* noise = context_.Find<QPushButton>("pushButton_29")) noise->click();
  }
  SetStatusColour(context_.Find<QLabel>("label_151"), b1.VoiceChanger());
  context_.blocks.SendBlock1();
}

void VoiceChangerPage::VoiceClicked(int voice) {
  common::PropertyBlock1& b1 = context_.blocks.Block1();
  if (!b1.VoiceChanger()) return;
  b1.SetVoiceKind(static_cast<common::Voice>(voice));
  HighlightRow(findChild<QAbstractButton*>(QStringLiteral("btn_mh%1").arg(voice)), &chosen_voice_);
  context_.blocks.SendBlock1();
}

}  // namespace oro::panel
