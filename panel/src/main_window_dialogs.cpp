// The settings, about and tips dialogs and the language they switch.
#include <QApplication>

#include "about_dialog.h"
#include "dialog_placement.h"
#include "main_window.h"
#include "settings_dialog.h"
#include "tips_dialog.h"

namespace oro::panel {

void demo::ApplyLanguage() {
  if (context_.language < 128) {
    language_.Apply(context_.language);
    ui_.retranslateUi(this);
    for (PanelPage* page : pages_) page->Retranslate();
    ApplyTitle();
  } else {
    for (PanelPage* page : pages_) page->ShowValues();
  }
  ShowValues();
}

// Centred over the window wherever it stands on the screen.
void demo::ApplyPlacement(QWidget* dialog) { dialog->move(pos() + DialogPosition(size(), dialog->size())); }

void demo::OpenSettings() {
  if (settings_open_ || about_open_) return;
  settings_open_ = true;
  SettingsDialog dialog(context_.settings, context_.language, this);
  ApplyPlacement(&dialog);
  // However the dialog ends (a button, Escape), it can be opened again.
  const int result = dialog.exec();
  settings_open_ = false;
  if (result != QDialog::Accepted) return;
  context_.language = dialog.ChosenLanguage();
  ApplyLanguage();
  ApplyTitle();
}

void demo::OpenAbout() {
  if (settings_open_ || about_open_) return;
  about_open_ = true;
  AboutDialog dialog(context_.English(), this);
  ApplyPlacement(&dialog);
  dialog.exec();
  about_open_ = false;
}

void demo::ShowTips() {
  TipsDialog dialog(context_.settings, this);
  ApplyPlacement(&dialog);
  dialog.exec();
}

}  // namespace oro::panel
