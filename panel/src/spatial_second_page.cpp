#include "spatial_second_page.h"

namespace oro::panel {

SpatialSecondPage::SpatialSecondPage(PanelContext& context, QWidget* parent) : PanelPage(context, parent) {
  ui_.setupUi(this);
}

void SpatialSecondPage::SetUp() {}

void SpatialSecondPage::ShowValues() {}

void SpatialSecondPage::Retranslate() {
  ui_.retranslateUi(this);
  ShowValues();
}

}  // namespace oro::panel
