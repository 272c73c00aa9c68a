// The headset in the panel, offscreen and by object name: the lighting page's
// fields and commands, the status strip for every status reply, the low
// battery warning, the 7.1 key on the simulated headset served in this
// process, and the firmware page with its worker.
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QThread>
#include <fstream>
#include <future>

#include "headset_link.h"
#include "lighting_page.h"
#include "oro/headset/headset_reports.h"
#include "oro/platform/sim/sim_hid_bus.h"
#include "oro/platform/sim/sim_hid_host.h"
#include "oro/tools/sim/kit_hid_devices.h"
#include "palette.h"
#include "panel_fixture.h"
#include "upgrade_page.h"

namespace oro::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Lighting(int mode, int speed, int red, int green, int blue) {
  Bytes b(64, 0);
  b[0] = 0x0A;
  b[1] = static_cast<std::uint8_t>(mode);
  b[2] = static_cast<std::uint8_t>(speed);
  b[3] = static_cast<std::uint8_t>(red);
  b[4] = static_cast<std::uint8_t>(green);
  b[5] = static_cast<std::uint8_t>(blue);
  return b;
}

QImage Shown(QLabel* label) { return label->pixmap() ? label->pixmap()->toImage() : QImage(); }
QImage Art(const char* path) { return QPixmap(QString::fromLatin1(path)).toImage(); }

class LightingPageTest : public PanelTest {
 protected:
  void SetUp() override { Window(); }
  QLineEdit* Edit(const char* name) { return Find<QLineEdit>(name); }
  QRgb Swatch() { return Shown(Find<QLabel>("label_color_pat_2")).pixel(5, 5); }
  // The lighting commands among the transfers (the status poll runs beside).
  std::vector<Bytes> Sent() {
    std::vector<Bytes> lighting;
    for (const Bytes& b : api_.HidWrites()) {
      if (b[0] == 0x0A) lighting.push_back(b);
    }
    return lighting;
  }
};

TEST_F(LightingPageTest, ColourFieldsAreCleanedAndSaturateAndSendNothing) {
  EXPECT_EQ(Edit("lineEdit")->text(), "38");
  EXPECT_EQ(Swatch(), qRgb(38, 90, 90));
  const struct {
    const char* typed;
    const char* shown;
  } cases[] = {{"300", "255"}, {"12a", "12"}, {"", "0"},   {"99999999999999999999999", "255"},
               {"-7", "7"},    {"0", "0"},    {"00", "0"}, {"254", "254"},
               {"255", "255"}, {"x", "0"}};
  for (const auto& c : cases) {
    Edit("lineEdit")->setText(QString::fromLatin1(c.typed));
    EXPECT_EQ(Edit("lineEdit")->text(), c.shown) << c.typed;
  }
  Edit("lineEdit_2")->setText("1000");
  Edit("lineEdit_3")->setText("17");
  Edit("lineEdit")->setText("200");
  EXPECT_EQ(Edit("lineEdit_2")->text(), "255");
  EXPECT_EQ(Swatch(), qRgb(200, 255, 17));
  EXPECT_TRUE(Sent().empty());

  // The next command carries what the fields show.
  Find<QPushButton>("pushButton_9")->click();
  ASSERT_EQ(Sent().size(), 1u);
  EXPECT_EQ(Sent()[0], Lighting(1, 1, 200, 255, 17));
  EXPECT_EQ(Edit("lineEdit_5")->text(), "1,1,200,255,17");
}

TEST_F(LightingPageTest, SliderModePresetsAndPaletteEachSendTheCommand) {
  auto* slider = Find<QSlider>("horizontalSlider_18");
  EXPECT_EQ(slider->minimum(), 1);
  EXPECT_EQ(slider->maximum(), 20);
  for (int v = 2; v <= 20; ++v) slider->setValue(v);
  auto writes = Sent();
  ASSERT_EQ(writes.size(), 19u);
  for (int v = 2; v <= 20; ++v) EXPECT_EQ(writes[static_cast<std::size_t>(v - 2)], Lighting(1, v, 38, 90, 90));

  auto* mode = Find<QComboBox>("comboBox_3");
  ASSERT_EQ(mode->count(), 5);
  mode->setCurrentIndex(2);
  QMetaObject::invokeMethod(mode, "activated", Q_ARG(int, 2));
  EXPECT_EQ(Sent().back(), Lighting(2, 20, 38, 90, 90));

  const struct {
    const char* button;
    int r, g, b;
  } presets[] = {{"pushButton_35", 255, 0, 0},    {"pushButton_36", 255, 255, 0}, {"pushButton_37", 0, 255, 0},
                 {"pushButton_38", 0, 255, 255},  {"pushButton_39", 255, 0, 255}, {"pushButton_40", 0, 0, 255},
                 {"pushButton_43", 255, 255, 255}};
  for (const auto& p : presets) {
    Find<QPushButton>(p.button)->click();
    EXPECT_EQ(Sent().back(), Lighting(2, 20, p.r, p.g, p.b)) << p.button;
    EXPECT_EQ(Swatch(), qRgb(p.r, p.g, p.b)) << p.button;
  }

  // A palette click takes the colour under the pointer; one on the edge or
  // beyond it stays inside the image.
  auto* overlay = Find<QPushButton>("palette_overlay");
  ASSERT_NE(overlay, nullptr);
  const QPoint points[] = {{10, 200}, {128, 0}, {255, 255}, {256, 300}};
  for (const QPoint& at : points) {
    QTest::mouseClick(overlay, Qt::LeftButton, {}, at);
    const auto c = panel::art::PaletteColour(std::min(at.x(), 255), std::min(at.y(), 255));
    EXPECT_EQ(Sent().back(), Lighting(2, 20, c.r, c.g, c.b)) << at.x() << "," << at.y();
    EXPECT_EQ(Edit("lineEdit")->text().toInt(), c.r);
  }
  auto* page = window_->findChild<panel::LightingPage*>();
  page->pickPaletteColour(QPoint(-40, 9000));
  const auto corner = panel::art::PaletteColour(0, 255);
  EXPECT_EQ(Sent().back(), Lighting(2, 20, corner.r, corner.g, corner.b));
}

class HeadsetStatusTest : public PanelTest {};

TEST_F(HeadsetStatusTest, EveryReplyShowsItsFiguresAndALowBatteryWarnsOnce) {
  options_.headset_poll_ms = 10;
  Window();
  auto* link = Find<QLabel>("label_227");
  auto* battery = Find<QLabel>("label_228");
  auto* percent = Find<QLabel>("label_240");
  QSignalSpy warnings(window_->Headset(), &panel::HeadsetLink::lowBattery);

  struct Case {
    int result;
    int linked, charging, step;
    const char* link_art;
    const char* battery_art;
    const char* percent;
  };
  const Case cases[] = {
      {1, 1, 0, 6, ":/page4/png/usb_cnt.png", ":/page4/png/bp_70.png", "70%"},
      {0, 1, 0, 6, ":/page4/png/usb_dis.png", ":/page4/png/bp_none.png", ""},
      {1, 0, 0, 6, ":/page4/png/usb_dis.png", ":/page4/png/bp_none.png", ""},
      {1, 1, 1, 3, ":/page4/png/usb_cnt.png", ":/page4/png/chging.png", ""},
      {1, 1, 0, 8, ":/page4/png/usb_cnt.png", ":/page4/png/bp_100.png", "90%"},
      {1, 1, 0, 12, ":/page4/png/usb_cnt.png", ":/page4/png/bp_100.png", "100%"},
      {1, 1, 0, 2, ":/page4/png/usb_cnt.png", ":/page4/png/bp_30.png", "30%"},
      {1, 1, 0, 1, ":/page4/png/usb_cnt.png", ":/page4/png/bp_20.png", "20%"},  // warns
      {1, 1, 0, 0, ":/page4/png/usb_cnt.png", ":/page4/png/bp_10.png", "10%"},  // already warned
      {-1, 0, 0, 0, ":/page4/png/usb_dis.png", ":/page4/png/bp_none.png", ""},
      {1, 1, 0, 0, ":/page4/png/usb_cnt.png", ":/page4/png/bp_10.png", "10%"},
      {1, 1, 1, 0, ":/page4/png/usb_cnt.png", ":/page4/png/chging.png", ""},    // charging rearms
      {1, 1, 0, 1, ":/page4/png/usb_cnt.png", ":/page4/png/bp_20.png", "20%"},  // warns again
  };
  for (const Case& c : cases) {
    Bytes reply(64, 0);
    reply[0] = 0x0B;
    reply[1] = static_cast<std::uint8_t>(c.linked);
    reply[2] = static_cast<std::uint8_t>(c.charging);
    reply[3] = static_cast<std::uint8_t>(c.step);
    api_.SetTransfer(c.result, reply);
    const QImage want_link = Art(c.link_art), want_battery = Art(c.battery_art);
    ASSERT_FALSE(want_battery.isNull()) << c.battery_art;
    // Polled off the GUI thread; shown once a reply came through.
    bool shown = false;
    for (int i = 0; i < 300 && !shown; ++i) {
      QTest::qWait(10);
      shown = Shown(link) == want_link && Shown(battery) == want_battery && percent->text() == c.percent;
    }
    EXPECT_TRUE(shown) << c.battery_art << " " << c.percent << " got " << percent->text().toStdString();
  }
  ASSERT_EQ(warnings.count(), 2);
  EXPECT_EQ(warnings[0][0].toString(), "Headset battery low: 20%");
  // A language switch re-applies the forms' texts; the figure stays.
  window_->Context().language = 0;
  window_->ApplyLanguage();
  EXPECT_EQ(percent->text(), "20%");
  // The query itself: 0x0B 0x01 to the headset found at the start.
  const auto writes = api_.HidWrites();
  ASSERT_FALSE(writes.empty());
  Bytes query(64, 0);
  query[0] = 0x0B;
  query[1] = 0x01;
  EXPECT_EQ(writes.front(), query);
}

// The window with its key listener on the kit's simulated headset.
class HeadsetKeyTest : public PanelTest {
 protected:
  HeadsetKeyTest() : bus_dir_(platform::sim::HidBusDir(root_.Path() + "/simhid")), host_(bus_dir_) {
    tools::sim::AddKitMachineDevices(host_, bus_dir_);
    options_.hid_bus = platform::sim::MakeSimHidBus(bus_dir_);
  }
  void SetUp() override { ASSERT_EQ(host_.Start(), platform::err::kSuccess); }
  void TearDown() override {
    window_.reset();
    host_.Stop();
  }
  bool HeadsetSays(const std::string& what) { return host_.Control("headset state").find(what) != std::string::npos; }
  bool Virtual71() { return window_->Context().blocks.Block2().Mode(common::ListeningMode::kVirtual71); }

  std::string bus_dir_;
  platform::sim::SimHidHost host_;
};

TEST_F(HeadsetKeyTest, EachPressTogglesVirtual71LikeTheSwitchAndIsAcknowledgedWithTheNewState) {
  Window();
  auto* listener = window_->Headset()->Listener();
  ASSERT_NE(listener, nullptr);
  QTRY_VERIFY_WITH_TIMEOUT(listener->Connected(), 5000);
  ASSERT_FALSE(Virtual71());
  api_.Clear();

  host_.Control("headset press-71");
  QTRY_VERIFY_WITH_TIMEOUT(Virtual71(), 3000);
  QTRY_VERIFY_WITH_TIMEOUT(HeadsetSays("virtual71=1 presses=1 acks=1"), 3000);
  // The switch's own effect: the other listening modes go off in the same send.
  const auto sends = api_.Calls("setDeviceProperty");
  ASSERT_FALSE(sends.empty());
  const auto sent = common::BlockFromBytes<common::PropertyBlock2>(sends.back().block.data());
  EXPECT_TRUE(sent.Mode(common::ListeningMode::kVirtual71));
  EXPECT_FALSE(sent.Mode(common::ListeningMode::kSpatial));

  host_.Control("headset press-71");
  QTRY_VERIFY_WITH_TIMEOUT(!Virtual71(), 3000);
  QTRY_VERIFY_WITH_TIMEOUT(HeadsetSays("virtual71=0 presses=2 acks=2"), 3000);

  // After the shutdown the listener is gone: a press changes nothing.
  window_->Shutdown();
  EXPECT_FALSE(listener->Connected());
  host_.Control("headset press-71");
  QTest::qWait(200);
  EXPECT_FALSE(Virtual71());
  EXPECT_TRUE(HeadsetSays("presses=3 acks=2"));
}

// The firmware page with a library whose update runs the test's script on
// the worker's thread.
class FirmwarePageTest : public PanelTest {
 protected:
  void SetUp() override {
    Window();
    ShowPage();
  }
  void ShowPage() { window_->ShowPage(11); }
  std::string WriteImage(std::size_t size) {
    const std::string path = root_.Path() + "/image.bin";
    std::ofstream out(path, std::ios::binary);
    for (std::size_t i = 0; i < size; ++i) out.put(static_cast<char>(i * 13 + 5));
    return path;
  }
  void Choose(const std::string& path) { Find<QLineEdit>("lineEdit_4")->setText(QString::fromStdString(path)); }
  bool ButtonsEnabled() {
    return Find<QPushButton>("pushButton_11")->isEnabled() && Find<QPushButton>("pushButton_17")->isEnabled() &&
           Find<QPushButton>("pushButton_18")->isEnabled();
  }
  QString Status() { return Find<QLabel>("label_241")->text(); }
  int Progress() { return Find<QProgressBar>("progressBar")->value(); }
};

TEST_F(FirmwarePageTest, StageTextsAndProgressComeFromTheWorkerAndTheButtonsReturn) {
  Choose(WriteImage(1000));
  std::promise<void> go_on;
  std::shared_future<void> resume = go_on.get_future().share();
  std::atomic<bool> on_gui_thread{true};
  Bytes image;
  int mode = 0;
  api_.firmware = [&](panel::DeviceApi::FirmwareProgress progress, void* context, const std::uint8_t* data,
                      std::int32_t length, std::int32_t m) {
    on_gui_thread = QThread::currentThread() == qApp->thread();
    image.assign(data, data + length);
    mode = m;
    for (int stage = 0; stage < 4; ++stage) progress(context, 0, stage);
    progress(context, 40, 4);
    resume.wait();
    progress(context, 100, 4);
    progress(context, 0, 5);
    progress(context, 0, 6);
    return 0;
  };
  QSignalSpy finished(window_->findChild<panel::UpgradePage*>(), &panel::UpgradePage::jobFinished);
  Find<QPushButton>("pushButton_17")->click();
  QTRY_COMPARE_WITH_TIMEOUT(Status(), QString("writing flash..."), 3000);
  QTRY_COMPARE_WITH_TIMEOUT(Progress(), 40, 3000);
  EXPECT_FALSE(ButtonsEnabled());
  // A second click while it runs starts nothing.
  Find<QPushButton>("pushButton_11")->click();
  go_on.set_value();
  ASSERT_TRUE(finished.wait(5000));
  EXPECT_EQ(finished.count(), 1);
  EXPECT_EQ(Status(), "Firmware update finished");
  EXPECT_EQ(Progress(), 100);
  EXPECT_TRUE(ButtonsEnabled());
  EXPECT_FALSE(on_gui_thread);
  EXPECT_EQ(mode, panel::kHeadsetMode);
  ASSERT_EQ(image.size(), 1000u);
  EXPECT_EQ(image[999], static_cast<std::uint8_t>(999 * 13 + 5));
  int monitor_ends = 0;
  for (const ApiCall& call : api_.Calls("kill_task")) monitor_ends += call.text == L"devmonitor.exe";
  EXPECT_EQ(monitor_ends, 1);
}

TEST_F(FirmwarePageTest, EveryOutcomeEndsWithItsMessageAndTheButtonsBack) {
  Choose(WriteImage(200));
  const struct {
    int result;
    bool reach_end;
    const char* text;
  } outcomes[] = {
      {0, false, "Firmware update failed: no headset or dongle found"},
      {-1, false, "Firmware update failed: the update interface cannot be opened"},
      {panel::kDeviceTimeout, false, "Firmware update failed: the device stopped answering"},
      {panel::kDeviceLost, false, "Firmware update failed: the device went away"},
      {7, true, "Firmware update failed: the device answered 7"},
      {-6, false, "Firmware update failed (-6)"},
  };
  auto* page = window_->findChild<panel::UpgradePage*>();
  for (const auto& o : outcomes) {
    api_.firmware = [&](panel::DeviceApi::FirmwareProgress progress, void* context, const std::uint8_t*, std::int32_t,
                        std::int32_t) {
      progress(context, 0, 0);
      if (o.reach_end) progress(context, o.result, 6);
      return o.result;
    };
    QSignalSpy finished(page, &panel::UpgradePage::jobFinished);
    Find<QPushButton>("pushButton_11")->click();
    ASSERT_TRUE(finished.wait(5000)) << o.text;
    EXPECT_EQ(Status(), o.text);
    EXPECT_TRUE(ButtonsEnabled()) << o.text;
  }
}

TEST_F(FirmwarePageTest, MissingEmptyAndOversizedImagesAreRefusedBeforeTheDevice) {
  int runs = 0;
  api_.firmware = [&](panel::DeviceApi::FirmwareProgress, void*, const std::uint8_t*, std::int32_t, std::int32_t) {
    ++runs;
    return 0;
  };
  Choose("");
  testing::internal::CaptureStderr();
  Find<QPushButton>("pushButton_11")->click();
  Find<QPushButton>("pushButton_17")->click();
  const std::string said = testing::internal::GetCapturedStderr();
  EXPECT_NE(said.find("Please select a DONGLE binary file to update"), std::string::npos) << said;
  EXPECT_NE(said.find("Please select a EARPHONE binary file to update"), std::string::npos) << said;

  Choose(WriteImage(0));
  Find<QPushButton>("pushButton_17")->click();
  EXPECT_TRUE(Status().startsWith("The firmware file must hold 1 byte to 4 MiB")) << Status().toStdString();
  Choose(WriteImage(panel::kMaxFirmwareBytes + 1));
  Find<QPushButton>("pushButton_17")->click();
  EXPECT_TRUE(Status().startsWith("The firmware file must hold 1 byte to 4 MiB")) << Status().toStdString();
  Choose(root_.Path() + "/absent.bin");
  Find<QPushButton>("pushButton_17")->click();
  EXPECT_TRUE(Status().startsWith("Cannot read the firmware file")) << Status().toStdString();
  Choose(root_.Path());
  Find<QPushButton>("pushButton_17")->click();
  EXPECT_TRUE(Status().startsWith("Cannot read the firmware file")) << Status().toStdString();

  QTest::qWait(100);
  EXPECT_EQ(runs, 0);
  for (const ApiCall& call : api_.Calls("kill_task")) EXPECT_NE(call.text, L"devmonitor.exe");
  EXPECT_TRUE(ButtonsEnabled());
}

}  // namespace
}  // namespace oro::test
