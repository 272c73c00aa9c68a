// The main window on a recording library: start-up order and its sends, the
// menu, the status strip, the title, minimise, close and the exit command.
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QStackedWidget>
#include <QTest>

#include "page_style.h"
#include "panel_fixture.h"
#include "screenshots.h"

namespace oro::test {
namespace {

using common::PropertyBlock1;
using common::PropertyBlock2;

template <typename Block>
std::vector<std::uint8_t> Bytes(const Block& b) {
  return std::vector<std::uint8_t>(common::BytesOf(b), common::BytesOf(b) + sizeof b);
}

class MainWindowTest : public PanelTest {};

TEST_F(MainWindowTest, StartUpSetsUpTheLibraryAppliesVolumesAndSendsBothBlocksOnce) {
  Window();
  const std::vector<std::string> names = api_.Names();
  ASSERT_GE(names.size(), 6u);
  EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 6),
            (std::vector<std::string>{"init", "getDeviceInfo", "SetVolum", "SetVolum", "setDeviceProperty",
                                      "setDeviceProperty"}));
  EXPECT_EQ(api_.calls[2].args, (std::vector<int>{72, 0}));
  EXPECT_EQ(api_.calls[3].args, (std::vector<int>{64, 1}));
  const auto sends = api_.Calls("setDeviceProperty");
  ASSERT_EQ(sends.size(), 2u);
  EXPECT_EQ(sends[0].args[0], 1);
  EXPECT_EQ(sends[0].block, Bytes(api_.stored.Block1()));
  EXPECT_EQ(sends[1].args[0], 2);
  EXPECT_EQ(sends[1].block, Bytes(api_.stored.Block2()));
  // The last-sent copies follow the sends.
  EXPECT_EQ(Bytes(window_->Context().blocks.LastSent2()), Bytes(api_.stored.Block2()));
  EXPECT_FALSE(window_->Context().ui_update_guard);
  EXPECT_FALSE(window_->Context().own_volume_guard);
}

TEST_F(MainWindowTest, StoredVolumeOfOneHundredGoesToTheEndpointAsNinetyNineThenOneHundred) {
  api_.stored.Block2().SetMasterVolume(100);
  Window();
  const auto volumes = api_.Calls("SetVolum");
  ASSERT_GE(volumes.size(), 1u);
  EXPECT_EQ(volumes[0].args, (std::vector<int>{99, 0}));
  EXPECT_EQ(window_->Context().blocks.Block2().MasterVolume(), 100);
  QTest::qWait(650);
  // The microphone page applies the capture volume in between.
  const auto later = api_.Calls("SetVolum");
  ASSERT_EQ(later.size(), 4u);
  EXPECT_EQ(later[2].args[1], 1);
  EXPECT_EQ(later[3].args, (std::vector<int>{100, 0}));
}

TEST_F(MainWindowTest, RefusedSetUpOrRecordEndsTheStartWithoutFurtherCalls) {
  api_.init_result = -1;
  EXPECT_FALSE(Window(false).Initialise());
  EXPECT_TRUE(api_.Calls("getDeviceInfo").empty());

  api_.Clear();
  api_.init_result = 0;
  api_.device_info_result = -1;
  EXPECT_FALSE(Window(false).Initialise());
  EXPECT_TRUE(api_.Calls("setDeviceProperty").empty());
  window_.reset();
  // Nothing was loaded, so nothing is released or sent at shutdown.
  EXPECT_TRUE(api_.Calls("releaseDeviceInfo").empty());
  EXPECT_TRUE(api_.Calls("setDeviceProperty").empty());
}

TEST_F(MainWindowTest, MenuHidesMaskedButtonsAndEachButtonShowsItsPageWithTheHighlight) {
  Window();
  window_->show();
  for (int id = 0; id < panel::kPageCount; ++id) {
    const bool hidden = id == 1 || id == 5 || id == 7 || id == 10 || id == 11;
    EXPECT_EQ(Find<QPushButton>(qPrintable(QStringLiteral("bt_y%1").arg(id)))->isVisible(), !hidden) << id;
  }
  EXPECT_FALSE(Find<QLabel>("label_19")->isVisible());
  auto* stack = Find<QStackedWidget>("stackedWidget");
  const char* page_names[] = {"page_1", "page_2", "page_3", "page_4",  "page_5",  "page_6",
                              "page_7", "page_8", "page_9", "page_10", "page_11", "page"};
  for (int id = 0; id < panel::kPageCount; ++id) {
    EXPECT_EQ(stack->widget(id)->objectName(), QString::fromLatin1(page_names[id]));
  }
  auto* eq = Find<QPushButton>("bt_y2");
  auto* mic = Find<QPushButton>("bt_y6");
  QTest::mouseClick(eq, Qt::LeftButton);
  EXPECT_EQ(stack->currentWidget()->objectName(), "page_3");
  EXPECT_TRUE(eq->styleSheet().contains("background-color: rgba(110, 110, 110, 0.9);"));
  QTest::mouseClick(mic, Qt::LeftButton);
  EXPECT_EQ(stack->currentWidget()->objectName(), "page_7");
  EXPECT_TRUE(eq->styleSheet().contains("background-color: none;"));
  EXPECT_TRUE(mic->styleSheet().contains("background-color: rgba(110, 110, 110, 0.9);"));
  // The update check's click on the hidden upgrade button still switches.
  Find<QPushButton>("bt_y11")->click();
  EXPECT_EQ(stack->currentWidget()->objectName(), "page");
  EXPECT_TRUE(mic->styleSheet().contains("background-color: none;"));
}

TEST_F(MainWindowTest, StatusStripShowsEveryFeatureFromTheBlocksAndTheMasterVolume) {
  Window();
  auto colour_on = [this](const char* name) {
    const QString sheet = Find<QLabel>(name)->styleSheet();
    EXPECT_NE(sheet.contains(panel::kStatusOn), sheet.contains(panel::kStatusOff)) << name;
    return sheet.contains(panel::kStatusOn);
  };
  // The sample record: spatial sound and the voice changer on, the rest off.
  EXPECT_TRUE(colour_on("label_150"));
  EXPECT_TRUE(colour_on("label_151"));
  EXPECT_FALSE(colour_on("label_146"));
  EXPECT_FALSE(colour_on("label_148"));
  EXPECT_FALSE(colour_on("label_152"));
  EXPECT_FALSE(colour_on("label_156"));
  EXPECT_EQ(Find<QSlider>("horizontalSlider_16")->value(), 72);

  auto& blocks = window_->Context().blocks;
  blocks.Block2().SetMode(common::ListeningMode::kEqualizer, true);
  blocks.Block1().SetNoiseReduction(true);
  blocks.Block1().SetVoiceChanger(false);
  window_->RefreshStatusStrip();
  EXPECT_TRUE(colour_on("label_146"));
  EXPECT_FALSE(colour_on("label_150"));
  EXPECT_TRUE(colour_on("label_156"));
  EXPECT_FALSE(colour_on("label_151"));
}

TEST_F(MainWindowTest, TitleComesFromDisplayNameOrTheKitName) {
  Window();
  EXPECT_EQ(window_->windowTitle(), "OroSound Kit");
  SetString(L"DisplayName", L"耳机 Studio");
  window_->ApplyTitle();
  EXPECT_EQ(window_->windowTitle(), QString::fromWCharArray(L"耳机 Studio"));
  // Re-applying the texts for a language keeps the title.
  window_->Context().language = 1;
  window_->ApplyLanguage();
  EXPECT_EQ(window_->windowTitle(), QString::fromWCharArray(L"耳机 Studio"));
}

TEST_F(MainWindowTest, MinimiseWritesTheThreeWorkingBlocksByteForByte) {
  Window();
  window_->show();
  auto& blocks = window_->Context().blocks;
  blocks.Block1().SetMicVolume(12);
  blocks.Block2().SetTrim(common::Speaker::kRB, -13);
  blocks.Block3().SetGain(9, -20);
  QTest::mouseClick(Find<QPushButton>("pushButton_1"), Qt::LeftButton);
  auto reg = Registry();
  EXPECT_EQ(reg.ReadBinary(panel::kKitKey, common::kBlock1ValueName), Bytes(blocks.Block1()));
  EXPECT_EQ(reg.ReadBinary(panel::kKitKey, common::kBlock2ValueName), Bytes(blocks.Block2()));
  EXPECT_EQ(reg.ReadBinary(panel::kKitKey, common::kBlock3ValueName), Bytes(blocks.Block3()));
  EXPECT_TRUE(window_->isMinimized());
}

TEST_F(MainWindowTest, CloseWithoutTheTrayPreferenceRunsTheShutdownSequence) {
  SetDword(L"isAddSysicon", 0);
  Window();
  window_->show();
  QSignalSpy exits(window_.get(), &panel::demo::exitRequested);
  api_.Clear();
  QTest::mouseClick(Find<QPushButton>("pushButton"), Qt::LeftButton);
  ASSERT_EQ(exits.size(), 1);
  EXPECT_EQ(exits[0][0].toInt(), 0);
  EXPECT_EQ(api_.Names(), (std::vector<std::string>{"kill_task", "setDeviceProperty", "releaseDeviceInfo"}));
  EXPECT_EQ(api_.calls[0].text, L"normal.exe");
  const auto sent = common::BlockFromBytes<PropertyBlock1>(api_.calls[1].block.data());
  EXPECT_EQ(api_.calls[1].args[0], 1);
  EXPECT_FALSE(sent.Monitoring());
  EXPECT_EQ(sent.MicVolume(), 64u);
  // Monitoring off is not a user change: the last-sent copy keeps it on.
  EXPECT_TRUE(window_->Context().blocks.LastSent1().Monitoring());
  window_.reset();
  EXPECT_EQ(api_.Calls("releaseDeviceInfo").size(), 1u);
}

TEST_F(MainWindowTest, CloseWithTheTrayPreferenceHidesOrMinimisesWhereNoTrayIsShown) {
  options_.tray_available = true;
  Window();
  window_->show();
  QSignalSpy exits(window_.get(), &panel::demo::exitRequested);
  ASSERT_NE(window_->Tray(), nullptr);  // created at start: the preference is on by default
  QTest::mouseClick(Find<QPushButton>("pushButton"), Qt::LeftButton);
  EXPECT_FALSE(window_->isVisible());
  EXPECT_FALSE(window_->IsShutDown());

  options_.tray_available = false;
  Window();
  window_->show();
  QTest::mouseClick(Find<QPushButton>("pushButton"), Qt::LeftButton);
  EXPECT_TRUE(window_->isVisible());
  EXPECT_TRUE(window_->isMinimized());
  EXPECT_FALSE(window_->IsShutDown());
  EXPECT_EQ(exits.size(), 0);
}

TEST_F(MainWindowTest, ExitCommandEndsThePanelWithinThreeHundredMillisecondsAndIsCleared) {
  Window();
  ASSERT_TRUE(window_->ExitPollRunning());
  QSignalSpy exits(window_.get(), &panel::demo::exitRequested);
  SetDword(L"exitCmd", 1);
  EXPECT_TRUE(exits.wait(300));
  EXPECT_TRUE(window_->IsShutDown());
  EXPECT_EQ(Registry().ReadDword(panel::kKitKey, L"exitCmd"), 0u);
  EXPECT_EQ(api_.Calls("releaseDeviceInfo").size(), 1u);
}

TEST_F(MainWindowTest, ExitCommandIsNotFollowedWhenAllDevicesAreEnabled) {
  SetString(L"EnableAllDev", L"true");
  Window();
  EXPECT_FALSE(window_->ExitPollRunning());
  // Anything but exactly "true" keeps the poll.
  SetString(L"EnableAllDev", L"True");
  Window();
  EXPECT_TRUE(window_->ExitPollRunning());
  SetDword(L"EnableAllDev", 1);
  Window();
  EXPECT_TRUE(window_->ExitPollRunning());
}

TEST_F(MainWindowTest, UpdateCheckResultOpensTheUpgradePageAndSurvivesALanguageSwitch) {
  options_.update_check = [] {
    updater::UpdateCheckResult found;
    found.code = updater::update_check::kNewVersion;
    return found;
  };
  Window();
  // The check runs in the background; its answer opens the page.
  QTRY_COMPARE_WITH_TIMEOUT(Find<QStackedWidget>("stackedWidget")->currentWidget()->objectName(), QString("page"),
                            5000);
  EXPECT_EQ(Find<QLabel>("label_241")->text(), "New version found");
  // The page's controls and its menu entry are offered now.
  EXPECT_FALSE(Find<QWidget>("widget_45")->isHidden());
  EXPECT_FALSE(Find<QWidget>("bt_y11")->isHidden());
  window_->Context().language = 0;
  window_->ApplyLanguage();
  EXPECT_EQ(Find<QLabel>("label_241")->text(), QString::fromUtf8("发现新版本"));
}

}  // namespace
}  // namespace oro::test

namespace oro::test {
namespace {

TEST_F(MainWindowTest, ScreenshotsShowEveryMenuPageAndDialogInBothLanguages) {
  Window();
  window_->show();
  const QString folder = QString::fromStdString(root_.Path()) + "/shots";
  const QStringList files = panel::SaveScreenshots(*window_, folder);
  ASSERT_EQ(files.size(), 24);
  EXPECT_TRUE(files.contains(folder + "/panel-zh-page_3.png"));
  EXPECT_TRUE(files.contains(folder + "/panel-en-page_11.png"));
  EXPECT_TRUE(files.contains(folder + "/panel-zh-page.png"));
  EXPECT_TRUE(files.contains(folder + "/dialog-en-about.png"));
  const QImage page(folder + "/panel-en-page_1.png");
  EXPECT_EQ(page.size(), window_->size());
  EXPECT_NE(QImage(folder + "/panel-en-page_1.png"), QImage(folder + "/panel-zh-page_1.png"));
  EXPECT_EQ(QFile::permissions(files[0]) & 0x7777, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                       QFileDevice::ReadGroup | QFileDevice::ReadOther |
                                                       QFileDevice::ReadUser | QFileDevice::WriteUser);
  // The window is back as it was.
  EXPECT_EQ(window_->Context().language, 1);
  EXPECT_EQ(Find<QStackedWidget>("stackedWidget")->currentIndex(), 0);
}

}  // namespace
}  // namespace oro::test
