#include "noise_reduction_page.h"

namespace oro::panel {

NoiseReductionPage::NoiseReductionPage(PanelContext& context, QWidget* parent) : PanelPage(context, parent) {
  ui_.setupUi(this);
}

void NoiseReductionPage::SetUp() {}

void NoiseReductionPage::ShowValues() {}

void NoiseReductionPage::Retranslate() {
  ui_.retranslateUi(this);
  ShowValues();
}

}  // namespace oro::panel
