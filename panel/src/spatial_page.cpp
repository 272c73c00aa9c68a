#include "spatial_page.h"

#include <QPushButton>

#include "listening_modes.h"
#include "page_style.h"

namespace oro::panel {

SpatialPage::SpatialPage(PanelContext& context, QWidget* parent) : PanelPage(context, parent) { ui_.setupUi(this); }

void SpatialPage::SetUp() {
  for (QWidget* w : {static_cast<QWidget*>(ui_.label_175), static_cast<QWidget*>(ui_.pushButton_27),
                     static_cast<QWidget*>(ui_.label_7), static_cast<QWidget*>(ui_.comboBox_2),
                     static_cast<QWidget*>(ui_.widget_30), static_cast<QWidget*>(ui_.label_205)}) {
    w->hide();
  }
  ShowListeningModes(context_);
  SetSwitchImage(ui_.pushButton_27, context_.blocks.Block2().RoomEffect());
  ChooseEnvironment(static_cast<int>(context_.blocks.Block2().EnvironmentKind()));
  // A stored size outside 1..3 finds no button: none is highlighted.
  const int room = static_cast<int>(context_.blocks.Block2().Room());
  HighlightRow(findChild<QAbstractButton*>(QStringLiteral("btn_room%1").arg(room)), &chosen_room_);

  connect(ui_.pushButton_32, &QPushButton::clicked, this,
          [this] { ToggleListeningMode(context_, common::ListeningMode::kVirtual71); });
  connect(ui_.pushButton_33, &QPushButton::clicked, this,
          [this] { ToggleListeningMode(context_, common::ListeningMode::kSpatial); });
  for (int k = 1; k <= 3; ++k) {
    auto* button = findChild<QPushButton*>(QStringLiteral("btn_room%1").arg(k));
    connect(button, &QPushButton::clicked, this, [this, k] { RoomClicked(k); });
  }
}

void SpatialPage::ShowValues() { ShowListeningModes(context_); }

void SpatialPage::Retranslate() {
  ui_.retranslateUi(this);
  ShowValues();
}

// The environment row is hidden; its stored choice is shown and sent again unchanged.
void SpatialPage::ChooseEnvironment(int environment) {
  if (environment < 1 || environment > 4) return;
  HighlightRow(findChild<QAbstractButton*>(QStringLiteral("btn_env%1").arg(environment)), &chosen_environment_);
  ui_.comboBox_2->setCurrentIndex(environment - 1);
  context_.blocks.Block2().SetEnvironmentKind(static_cast<common::Environment>(environment));
  context_.blocks.SendBlock2();
}

void SpatialPage::RoomClicked(int size) {
  common::PropertyBlock2& b2 = context_.blocks.Block2();
  if (!b2.Mode(common::ListeningMode::kSpatial) || static_cast<int>(b2.Room()) == size) return;
  HighlightRow(findChild<QAbstractButton*>(QStringLiteral("btn_room%1").arg(size)), &chosen_room_);
  b2.SetRoom(static_cast<common::RoomSize>(size));
  context_.blocks.SendBlock2();
}

}  // namespace oro::panel
