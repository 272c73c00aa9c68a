#include "microphone_page.h"

#include "page_style.h"

namespace oro::panel {

MicrophonePage::MicrophonePage(PanelContext& context, QWidget* parent) : PanelPage(context, parent) {
  ui_.setupUi(this);
}

void MicrophonePage::SetUp() {
  const auto& block1 = context_.blocks.Block1();
  SetMuteImage(ui_.pushButton_15, block1.MicMute());
  SetStateImage(ui_.pushButton_16, QStringLiteral("/left/png/y1.png"),
                QStringLiteral("/right/png/silent-volumeHigh.png"), block1.Monitoring());
  ShowValues();
}

void MicrophonePage::ShowValues() {
  GuardScope guard(context_.ui_update_guard);
  const auto& block1 = context_.blocks.Block1();
  ui_.verticalSlider->setValue(static_cast<int>(block1.MicVolume()));
  ui_.label_15->setText(QString::number(block1.MicVolume()));
  ui_.verticalSlider_2->setValue(static_cast<int>(block1.MonitorVolume()));
  ui_.label_16->setText(QString::number(block1.MonitorVolume()));
}

void MicrophonePage::Retranslate() {
  ui_.retranslateUi(this);
  ShowValues();
}

}  // namespace oro::panel
