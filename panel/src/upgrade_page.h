// Upgrade page: the update check result and the firmware and installer updates.
#pragma once

#include "panel_page.h"
#include "ui_upgrade_page.h"

namespace oro::panel {

class UpgradePage : public PanelPage {
  Q_OBJECT

 public:
  explicit UpgradePage(PanelContext& context, QWidget* parent = nullptr);

  void SetUp() override;
  void ShowValues() override;
  void Retranslate() override;

  // The update check's result, kept across language switches.
  void SetUpdateFound(bool found);

 private:
  Ui::UpgradePage ui_;
  bool update_found_ = false;
};

}  // namespace oro::panel
