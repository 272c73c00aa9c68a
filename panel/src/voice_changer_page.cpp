#include "voice_changer_page.h"

namespace oro::panel {

VoiceChangerPage::VoiceChangerPage(PanelContext& context, QWidget* parent) : PanelPage(context, parent) {
  ui_.setupUi(this);
}

void VoiceChangerPage::SetUp() {}

void VoiceChangerPage::ShowValues() {}

void VoiceChangerPage::Retranslate() {
  ui_.retranslateUi(this);
  ShowValues();
}

}  // namespace oro::panel
