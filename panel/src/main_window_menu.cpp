// The left menu: one exclusive group of buttons whose ids are the pages'
// indexes, and the grey highlight of the chosen one.
#include <QPushButton>

#include "main_window.h"

namespace oro::panel {

namespace {
constexpr const char* kMenuPlain = "background-color: none;";
constexpr const char* kMenuChosen = "background-color: rgba(110, 110, 110, 0.9);";
}  // namespace

void demo::SetUpMenu() {
  menu_group_.setExclusive(true);
  for (int id = 0; id < kPageCount; ++id) {
    auto* button = findChild<QPushButton*>(QStringLiteral("bt_y%1").arg(id));
    if (button == nullptr) continue;
    menu_group_.addButton(button, id);
    if (id < 11 && (kHiddenMenuMask >> id) & 1u) button->hide();
  }
  connect(&menu_group_, &QButtonGroup::idClicked, this, &demo::MenuClicked);
  ui_.stackedWidget->setCurrentIndex(0);
  for (const char* name : {"label_147", "label_154", "label_155", "label_19", "bt_y11", "widget_45", "page4_Label_L_2",
                           "label_159", "label_160", "jhq_lab_20", "label_17"}) {
    if (auto* widget = findChild<QWidget*>(QString::fromLatin1(name))) widget->hide();
  }
  ui_.label_158->setEnabled(false);
}

void demo::MenuClicked(int id) {
  QAbstractButton* button = menu_group_.button(id);
  if (button == nullptr) return;
  QString sheet = button->styleSheet();
  sheet.replace(QString::fromLatin1(kMenuPlain), QString::fromLatin1(kMenuChosen));
  button->setStyleSheet(sheet);
  if (chosen_menu_ != nullptr && chosen_menu_ != button) {
    QString previous = chosen_menu_->styleSheet();
    previous.replace(QString::fromLatin1(kMenuChosen), QString::fromLatin1(kMenuPlain));
    chosen_menu_->setStyleSheet(previous);
  }
  chosen_menu_ = button;
  ui_.stackedWidget->setCurrentIndex(id);
}

void demo::ShowPage(int id) {
  if (QAbstractButton* button = menu_group_.button(id)) button->click();
}

}  // namespace oro::panel
