#include "mic_sample_rate_page.h"

namespace oro::panel {

MicSampleRatePage::MicSampleRatePage(PanelContext& context, QWidget* parent) : PanelPage(context, parent) {
  ui_.setupUi(this);
}

void MicSampleRatePage::SetUp() {}

void MicSampleRatePage::ShowValues() {}

void MicSampleRatePage::Retranslate() {
  ui_.retranslateUi(this);
  ShowValues();
}

}  // namespace oro::panel
