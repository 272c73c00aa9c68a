#include "volume_page.h"

#include "page_style.h"

namespace oro::panel {

VolumePage::VolumePage(PanelContext& context, QWidget* parent) : PanelPage(context, parent) { ui_.setupUi(this); }

void VolumePage::SetUp() {
  for (QWidget* w : {static_cast<QWidget*>(ui_.pushButton_7), static_cast<QWidget*>(ui_.label_13),
                     static_cast<QWidget*>(ui_.btn_install_spk), static_cast<QWidget*>(ui_.btn_uninstall_spk)}) {
    w->hide();
  }
  ShowValues();
  // The stored master volume decides the mute state at start.
  auto& block2 = context_.blocks.Block2();
  const bool mute = block2.MasterVolume() == 0;
  block2.SetSpeakerMute(mute);
  SetMuteImage(ui_.pushButton_12, mute);
  SetMuteImage(context_.Find<QWidget>("pushButton_13"), mute);
  context_.api.SetMasterMute(mute ? 1 : 0, 0);
  context_.vol_locked = context_.settings.vol_locked();
  SetStateImage(ui_.pushButton_4, QStringLiteral("/right/png/icon_lock.png"),
                QStringLiteral("/right/png/icon_lock_open.png"), context_.vol_locked);
}

void VolumePage::ShowValues() {
  GuardScope guard(context_.ui_update_guard);
  const auto& block2 = context_.blocks.Block2();
  ui_.verticalSlider_4->setValue(block2.MasterVolume());
  ui_.label_56->setText(QString::number(block2.MasterVolume()));
  ui_.verticalSlider_5->setValue(block2.LeftVolume());
  ui_.label_57->setText(QString::number(block2.LeftVolume()));
  ui_.verticalSlider_7->setValue(block2.RightVolume());
  ui_.label_59->setText(QString::number(block2.RightVolume()));
}

void VolumePage::Retranslate() {
  ui_.retranslateUi(this);
  ShowValues();
}

}  // namespace oro::panel
