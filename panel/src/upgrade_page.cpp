#include "upgrade_page.h"

namespace oro::panel {

UpgradePage::UpgradePage(PanelContext& context, QWidget* parent) : PanelPage(context, parent) { ui_.setupUi(this); }

void UpgradePage::SetUp() {}

void UpgradePage::SetUpdateFound(bool found) {
  update_found_ = found;
  ShowValues();
}

void UpgradePage::ShowValues() {
  if (context_.English()) {
    ui_.label_241->setText(update_found_ ? QStringLiteral("New version found")
                                         : QStringLiteral("Can't find new version"));
  } else {
    ui_.label_241->setText(update_found_ ? QStringLiteral("发现新版本") : QStringLiteral("没有发现新版本"));
  }
}

void UpgradePage::Retranslate() {
  ui_.retranslateUi(this);
  ShowValues();
}

}  // namespace oro::panel
