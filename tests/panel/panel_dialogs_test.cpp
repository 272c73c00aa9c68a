// Settings, about and tips dialogs: what they show, what confirm stores, the
// language switch they cause, and that each can be opened again.
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include "panel_fixture.h"

namespace oro::test {
namespace {

class DialogsTest : public PanelTest {
 protected:
  template <typename T>
  static T* In(QWidget* dialog, const char* name) {
    return dialog->findChild<T*>(QString::fromLatin1(name));
  }
};

TEST_F(DialogsTest, SettingsShowStoredPreferencesAndConfirmStoresThem) {
  SetDword(L"isAddSysicon", 0);
  SetDword(L"isStartShow", 1);
  Window();
  window_->show();
  QString dialog_name;
  bool start_hidden = false;
  bool tray_checked = true;
  int language_index = -1;
  WhenModal([&](QWidget* dialog) {
    dialog_name = dialog->objectName();
    start_hidden = !In<QCheckBox>(dialog, "checkBox_2")->isVisible();
    tray_checked = In<QCheckBox>(dialog, "checkBox")->isChecked();
    language_index = In<QComboBox>(dialog, "comboBox")->currentIndex();
    In<QCheckBox>(dialog, "checkBox")->setChecked(true);
    In<QCheckBox>(dialog, "checkBox_2")->setChecked(true);
    In<QComboBox>(dialog, "comboBox")->setCurrentIndex(0);
    In<QPushButton>(dialog, "pushButton_2")->click();
  });
  window_->OpenSettings();
  EXPECT_EQ(dialog_name, "dlgsetting");
  EXPECT_TRUE(start_hidden);
  EXPECT_FALSE(tray_checked);
  EXPECT_EQ(language_index, 1);  // the simulated machine's locale is English
  auto reg = Registry();
  EXPECT_EQ(reg.ReadDword(panel::kKitKey, L"isAddSysicon"), 1u);
  EXPECT_EQ(reg.ReadDword(panel::kKitKey, L"isStartShow"), 0u);
  EXPECT_EQ(reg.ReadDword(panel::kKitKey, L"language"), 0u);
  EXPECT_EQ(window_->Context().language, 0);
}

TEST_F(DialogsTest, CancelStoresNothing) {
  Window();
  WhenModal([&](QWidget* dialog) {
    In<QComboBox>(dialog, "comboBox")->setCurrentIndex(0);
    In<QCheckBox>(dialog, "checkBox")->setChecked(false);
    In<QPushButton>(dialog, "pushButton")->click();
  });
  window_->OpenSettings();
  EXPECT_FALSE(Registry().KeyExists(panel::kKitKey) && Registry().ValueExists(panel::kKitKey, L"isAddSysicon"));
  EXPECT_EQ(window_->Context().language, 1);
}

TEST_F(DialogsTest, SwitchingLanguageReappliesEveryTextAndKeepsTheValuesShown) {
  Window();
  auto* menu_button = Find<QPushButton>("bt_y0");
  auto* master_label = Find<QLabel>("label_56");
  auto* trim_label = Find<QLabel>("W_V");
  EXPECT_EQ(menu_button->text(), "Volume");
  EXPECT_EQ(master_label->text(), "72");
  WhenModal([&](QWidget* dialog) {
    In<QComboBox>(dialog, "comboBox")->setCurrentIndex(0);
    In<QPushButton>(dialog, "pushButton_2")->click();
  });
  window_->OpenSettings();
  EXPECT_EQ(menu_button->text(), QString::fromUtf8("音量控制"));
  EXPECT_EQ(Find<QLabel>("label_146")->text(), QString::fromUtf8("均衡器"));
  EXPECT_EQ(master_label->text(), "72");
  EXPECT_EQ(Find<QLabel>("label_59")->text(), "41");
  EXPECT_EQ(Find<QLabel>("label_15")->text(), "64");
  EXPECT_EQ(Find<QLabel>("label_16")->text(), "23");
  EXPECT_EQ(trim_label->text(), "-7");
  EXPECT_EQ(Find<QSlider>("horizontalSlider_16")->value(), 72);

  WhenModal([&](QWidget* dialog) {
    In<QComboBox>(dialog, "comboBox")->setCurrentIndex(1);
    In<QPushButton>(dialog, "pushButton_2")->click();
  });
  window_->OpenSettings();
  EXPECT_EQ(menu_button->text(), "Volume");
  EXPECT_EQ(Find<QLabel>("label_146")->text(), "Equalizer");
  EXPECT_EQ(master_label->text(), "72");
}

TEST_F(DialogsTest, UntranslatedFlagKeepsTheFormTextsAndStillShowsTheValues) {
  SetDword(L"language", 200);
  Window();
  EXPECT_EQ(Find<QPushButton>("bt_y0")->text(), QString::fromUtf8("音量控制"));
  EXPECT_EQ(Find<QLabel>("label_56")->text(), "72");
  // 2 is English.
  SetDword(L"language", 0x102);
  Window();
  EXPECT_EQ(Find<QPushButton>("bt_y0")->text(), "Volume");
}

TEST_F(DialogsTest, AboutShowsTheVersionInBothLanguages) {
  Window();
  QString english, chinese;
  bool hidden = false;
  WhenModal([&](QWidget* dialog) {
    english = In<QLabel>(dialog, "label_3")->text();
    hidden = !In<QLabel>(dialog, "label")->isVisible() && !In<QLabel>(dialog, "label_2")->isVisible();
    In<QPushButton>(dialog, "pushButton")->click();
  });
  window_->OpenAbout();
  EXPECT_EQ(english, "Current version V2.0.5");
  EXPECT_TRUE(hidden);
  window_->Context().language = 0;
  window_->ApplyLanguage();
  WhenModal([&](QWidget* dialog) {
    chinese = In<QLabel>(dialog, "label_3")->text();
    static_cast<QDialog*>(dialog)->reject();
  });
  window_->OpenAbout();
  EXPECT_EQ(chinese, QString::fromUtf8("当前版本 V2.0.5"));
}

TEST_F(DialogsTest, DialogClosedWithEscapeOpensAgainAndOnlyOneDialogAtATime) {
  Window();
  window_->show();
  int opened = 0;
  WhenModal([&](QWidget* dialog) {
    ++opened;
    QTest::keyClick(dialog, Qt::Key_Escape);
  });
  window_->OpenSettings();
  WhenModal([&](QWidget* dialog) {
    ++opened;
    // A second request while the about dialog is up does nothing.
    window_->OpenSettings();
    EXPECT_EQ(QApplication::activeModalWidget(), dialog);
    QTest::keyClick(dialog, Qt::Key_Escape);
  });
  window_->OpenAbout();
  WhenModal([&](QWidget* dialog) {
    ++opened;
    static_cast<QDialog*>(dialog)->reject();
  });
  window_->OpenSettings();
  EXPECT_EQ(opened, 3);
}

TEST_F(DialogsTest, DialogsOpenCentredOverTheWindow) {
  Window();
  window_->move(300, 200);
  window_->show();
  QPoint at;
  QSize size;
  WhenModal([&](QWidget* dialog) {
    at = dialog->pos();
    size = dialog->size();
    static_cast<QDialog*>(dialog)->reject();
  });
  window_->OpenAbout();
  EXPECT_EQ(
      at, window_->pos() + QPoint(window_->width() / 2 - size.width() / 2, window_->height() / 2 - size.height() / 2));
}

TEST_F(DialogsTest, TipsCheckBoxStopsTheTipsAtTheNextStart) {
  SetDword(L"isStartShow", 1);
  Window();
  EXPECT_TRUE(settings_->isStartShow());
  QString name;
  WhenModal([&](QWidget* dialog) {
    name = dialog->objectName();
    In<QCheckBox>(dialog, "checkBox")->setChecked(true);
    In<QPushButton>(dialog, "pushButton")->click();
  });
  window_->ShowTips();
  EXPECT_EQ(name, "kj");
  EXPECT_FALSE(settings_->isStartShow());
  EXPECT_EQ(Registry().ReadDword(panel::kKitKey, L"isStartShow"), 0u);
}

}  // namespace
}  // namespace oro::test
