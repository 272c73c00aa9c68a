#include "spatial_page.h"

namespace oro::panel {

SpatialPage::SpatialPage(PanelContext& context, QWidget* parent) : PanelPage(context, parent) { ui_.setupUi(this); }

void SpatialPage::SetUp() {}

void SpatialPage::ShowValues() {}

void SpatialPage::Retranslate() {
  ui_.retranslateUi(this);
  ShowValues();
}

}  // namespace oro::panel
