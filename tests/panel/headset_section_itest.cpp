// The panel's headset pages on the real library and the kit's simulated
// headset served in this process: a lighting preset reaches the headset as
// the exact command, and a firmware image chosen on the upgrade page reaches
// it byte for byte, while a headset that goes silent or away ends the update
// with a message and the buttons back.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <fstream>
#include <iterator>
#include <memory>

#include "main_window.h"
#include "oro/platform/make_platform.h"
#include "oro/platform/sim/sim_hid_bus.h"
#include "oro/platform/sim/sim_hid_host.h"
#include "oro/tools/sim/kit_hid_devices.h"
#include "panel_settings.h"
#include "section_device_api.h"
#include "temp_root.h"
#include "upgrade_page.h"

namespace oro::test {
namespace {

class HeadsetSectionTest : public ::testing::Test {
 protected:
  HeadsetSectionTest()
      : api_(root_.Path()),
        bus_dir_(platform::sim::HidBusDir(platform::ResolveStatePaths(root_.Path().c_str()).sim_dir)),
        host_(bus_dir_) {
    tools::sim::AddKitMachineDevices(host_, bus_dir_);
  }
  void SetUp() override {
    ASSERT_EQ(host_.Start(), platform::err::kSuccess);
    settings_ = std::make_unique<panel::PanelSettings>(*api_.Platform().registry, api_.Platform().system.get());
    panel::demo::Options options;
    options.app_folder = QString::fromLatin1(ORO_BIN_DIR);
    options.curve_file = QString::fromStdString(root_.Path() + "/config/eqs.bin");
    window_ = std::make_unique<panel::demo>(api_, *settings_, options);
    ASSERT_TRUE(window_->Initialise());
    window_->ShowPage(11);
    page_ = window_->findChild<panel::UpgradePage*>();
  }
  void TearDown() override {
    window_.reset();
    host_.Stop();
  }
  template <typename T>
  T* Find(const char* name) {
    return window_->findChild<T*>(QString::fromLatin1(name));
  }
  std::vector<std::uint8_t> WriteImage(std::size_t size) {
    std::vector<std::uint8_t> image(size);
    for (std::size_t i = 0; i < size; ++i) image[i] = static_cast<std::uint8_t>((i * 131) ^ (i >> 9));
    const std::string path = root_.Path() + "/headset.bin";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(image.data()), image.size());
    Find<QLineEdit>("lineEdit_4")->setText(QString::fromStdString(path));
    return image;
  }
  // Runs the headset update from its button; the stage texts and progress
  // values shown on the way.
  void Update(QList<int>* progress) {
    QSignalSpy finished(page_, &panel::UpgradePage::jobFinished);
    QSignalSpy values(Find<QProgressBar>("progressBar"), &QProgressBar::valueChanged);
    Find<QPushButton>("pushButton_17")->click();
    ASSERT_TRUE(finished.wait(60000));
    for (const auto& v : values) progress->append(v[0].toInt());
  }
  bool ButtonsBack() {
    return Find<QPushButton>("pushButton_11")->isEnabled() && Find<QPushButton>("pushButton_17")->isEnabled();
  }
  QString Status() { return Find<QLabel>("label_241")->text(); }

  TempRoot root_;
  SectionDeviceApi api_;
  std::string bus_dir_;
  platform::sim::SimHidHost host_;
  std::unique_ptr<panel::PanelSettings> settings_;
  std::unique_ptr<panel::demo> window_;
  panel::UpgradePage* page_ = nullptr;
};

TEST_F(HeadsetSectionTest, ALightingPresetReachesTheHeadsetAsTheExactCommand) {
  Find<QPushButton>("pushButton_38")->click();
  // The first supported device the panel found: the headset, or the dongle
  // when the headset was not there yet at its look-up.
  const common::HidIdentity& found = window_->Context().headset;
  ASSERT_TRUE(found.product_id == 0xF779 || found.product_id == 0xF778) << found.product_id;
  const std::string device = found.product_id == 0xF779 ? "headset" : "dongle";
  // Report ID 2, then opcode, mode (steady), speed 1 and the preset's colour.
  std::string want = "02 0A 01 01 00 FF FF";
  for (int i = 7; i < 65; ++i) want += " 00";
  // The device takes the report on its own thread.
  std::string seen;
  for (int i = 0; i < 300 && seen.empty(); ++i) {
    seen = host_.Control(device + " lighting");
    if (seen.empty()) QTest::qWait(10);
  }
  EXPECT_EQ(seen, want + "\n");
}

TEST_F(HeadsetSectionTest, A256KiBImageArrivesByteForByteWithProgressRisingTo100) {
  const auto image = WriteImage(256 * 1024);
  QList<int> progress;
  Update(&progress);
  EXPECT_EQ(Status(), "Firmware update finished");
  EXPECT_TRUE(ButtonsBack());
  ASSERT_FALSE(progress.isEmpty());
  EXPECT_EQ(progress.back(), 100);
  for (int i = 1; i < progress.size(); ++i) EXPECT_GE(progress[i], progress[i - 1]) << i;
  EXPECT_GT(progress.size(), 10);
  std::ifstream in(bus_dir_ + "/headset.firmware", std::ios::binary);
  const std::vector<std::uint8_t> received((std::istreambuf_iterator<char>(in)), {});
  ASSERT_GE(received.size(), image.size());
  EXPECT_TRUE(std::equal(image.begin(), image.end(), received.begin()));
  // The rest of the last packet is padding.
  EXPECT_EQ(received.size(), (image.size() + 62) / 63 * 63);
  EXPECT_NE(host_.Control("headset state").find("mode=2"), std::string::npos);
}

TEST_F(HeadsetSectionTest, AHeadsetThatGoesSilentOrAwayEndsTheUpdateWithAMessageAndTheButtonsBack) {
  WriteImage(20000);
  QList<int> progress;
  host_.Control("headset silent 1");
  host_.Control("dongle silent 1");
  Update(&progress);
  EXPECT_EQ(Status(), "Firmware update failed: the device stopped answering");
  EXPECT_TRUE(ButtonsBack());

  host_.Control("headset silent 0");
  host_.Control("dongle silent 0");
  host_.Control("headset unplug-after-packets 40");
  Update(&progress);
  EXPECT_EQ(Status(), "Firmware update failed: the device went away");
  EXPECT_TRUE(ButtonsBack());
}

}  // namespace
}  // namespace oro::test
