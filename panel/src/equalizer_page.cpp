#include "equalizer_page.h"

namespace oro::panel {

EqualizerPage::EqualizerPage(PanelContext& context, QWidget* parent) : PanelPage(context, parent) { ui_.setupUi(this); }

void EqualizerPage::SetUp() {}

void EqualizerPage::ShowValues() {}

void EqualizerPage::Retranslate() {
  ui_.retranslateUi(this);
  ShowValues();
}

}  // namespace oro::panel
