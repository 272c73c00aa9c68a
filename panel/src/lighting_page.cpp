#include "lighting_page.h"

namespace oro::panel {

LightingPage::LightingPage(PanelContext& context, QWidget* parent) : PanelPage(context, parent) { ui_.setupUi(this); }

void LightingPage::SetUp() {}

void LightingPage::ShowValues() {}

void LightingPage::Retranslate() {
  ui_.retranslateUi(this);
  ShowValues();
}

}  // namespace oro::panel
