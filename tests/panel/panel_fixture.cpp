#include "panel_fixture.h"

#include "oro/platform/make_platform.h"

#include <QTimer>

#include "oro/platform/make_platform.h"

namespace oro::test {

PanelTest::PanelTest() {
  platform_ = platform::MakePlatform(platform::Profile::kSim, platform::ResolveStatePaths(root_.Path().c_str()));
  settings_ = std::make_unique<panel::PanelSettings>(*platform_.registry, platform_.system.get());
  api_.stored = SampleRecord();
  options_.app_folder = QString::fromLatin1(ORO_BIN_DIR);
  options_.curve_file = QString::fromStdString(root_.Path() + "/config/eqs.bin");
}

PanelTest::~PanelTest() { window_.reset(); }

common::DeviceInfo PanelTest::SampleRecord() {
  common::DeviceInfo record{};
  auto& b1 = record.Block1();
  b1.SetMicSampleRate(48000);
  b1.SetMicVolume(64);
  b1.SetMonitorVolume(23);
  b1.SetNoiseReductionStrength(50);
  b1.SetVoiceChanger(true);
  b1.SetVoiceKind(common::Voice::kMan);
  b1.SetMonitoring(true);
  auto& b2 = record.Block2();
  b2.SetSampleRate(48000);
  b2.SetMasterVolume(72);
  b2.SetLeftVolume(72);
  b2.SetRightVolume(41);
  b2.SetRoom(common::RoomSize::kMedium);
  b2.SetMode(common::ListeningMode::kSpatial, true);
  b2.SetTrim(common::Speaker::kL, 3);
  b2.SetTrim(common::Speaker::kW, -7);
  record.Block3().SetGain(5, 6);
  return record;
}

panel::demo& PanelTest::Window(bool initialise) {
  window_ = std::make_unique<panel::demo>(api_, *settings_, options_);
  if (initialise) {
    EXPECT_TRUE(window_->Initialise());
  }
  return *window_;
}

void PanelTest::SetDword(const wchar_t* name, std::uint32_t value) {
  auto reg = Registry();
  reg.CreateKey(panel::kKitKey);
  reg.WriteDword(panel::kKitKey, name, value);
}

void PanelTest::SetString(const wchar_t* name, const std::wstring& value) {
  auto reg = Registry();
  reg.CreateKey(panel::kKitKey);
  reg.WriteString(panel::kKitKey, name, value);
}

void WhenModal(std::function<void(QWidget*)> action) {
  auto* timer = new QTimer;
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [timer, action] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr) return;
    timer->stop();
    timer->deleteLater();
    action(modal);
  });
  timer->start();
}

}  // namespace oro::test
