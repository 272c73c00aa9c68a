#include "sample_rate_page.h"

namespace oro::panel {

SampleRatePage::SampleRatePage(PanelContext& context, QWidget* parent) : PanelPage(context, parent) {
  ui_.setupUi(this);
}

void SampleRatePage::SetUp() {}

void SampleRatePage::ShowValues() {}

void SampleRatePage::Retranslate() {
  ui_.retranslateUi(this);
  ShowValues();
}

}  // namespace oro::panel
