#include "microphone_page.h"

#include <QPushButton>
#include <QSlider>

#include "page_style.h"

namespace oro::panel {
namespace {
constexpr const wchar_t* kMonitorHelper = L"normal.exe";
}  // namespace

MicrophonePage::MicrophonePage(PanelContext& context, QWidget* parent) : PanelPage(context, parent) {
  ui_.setupUi(this);
}

void MicrophonePage::SetUp() {
  for (QWidget* w : {static_cast<QWidget*>(ui_.label_10), static_cast<QWidget*>(ui_.pushButton_5),
                     static_cast<QWidget*>(ui_.btn_install_mic), static_cast<QWidget*>(ui_.btn_uninstall_mic)}) {
    w->hide();
  }
  ApplyCaptureVolume();
  ShowImages();
  if (context_.blocks.Block1().Monitoring() && context_.api.is_task_running(kMonitorHelper) < 1) {
    context_.api.start_task(kMonitorHelper, L"", 0, L"");
  }
  ui_.verticalSlider->setRange(0, 100);
  ui_.verticalSlider_2->setRange(0, 100);
  ShowValues();
  connect(ui_.verticalSlider, &QSlider::valueChanged, this, [this](int v) { InputMoved(v); });
  connect(ui_.verticalSlider_2, &QSlider::valueChanged, this, [this](int v) { MonitorMoved(v); });
  connect(ui_.pushButton_15, &QPushButton::clicked, this, [this] { ToggleMute(); });
  connect(ui_.pushButton_16, &QPushButton::clicked, this, [this] { ToggleMonitor(); });
}

void MicrophonePage::ShowValues() {
  GuardScope guard(showing_);
  const common::PropertyBlock1& b1 = context_.blocks.Block1();
  ui_.verticalSlider->setValue(static_cast<int>(b1.MicVolume()));
  ui_.verticalSlider_2->setValue(static_cast<int>(b1.MonitorVolume()));
  ui_.label_15->setNum(static_cast<int>(b1.MicVolume()));
  ui_.label_16->setNum(static_cast<int>(b1.MonitorVolume()));
  ShowImages();
}

void MicrophonePage::Retranslate() {
  ui_.retranslateUi(this);
  ShowValues();
}

void MicrophonePage::ShowImages() {
  const common::PropertyBlock1& b1 = context_.blocks.Block1();
  SetMuteImage(ui_.pushButton_15, b1.MicMute());
  SetStateImage(ui_.pushButton_16, QStringLiteral("/left/png/y1.png"),
                QStringLiteral("/right/png/silent-volumeHigh.png"), b1.Monitoring());
}

// The capture endpoint is muted by giving it volume 0.
void MicrophonePage::ApplyCaptureVolume() {
  const common::PropertyBlock1& b1 = context_.blocks.Block1();
  context_.api.SetVolum(b1.MicMute() ? 0 : static_cast<int>(b1.MicVolume()), 1);
}

void MicrophonePage::InputMoved(int value) {
  if (showing_) return;
  common::PropertyBlock1& b1 = context_.blocks.Block1();
  ui_.label_15->setNum(value);
  b1.SetMicVolume(static_cast<std::uint32_t>(value));
  context_.api.SetVolum(value, 1);
  b1.SetMicMute(value == 0);
  ShowImages();
  context_.blocks.SendBlock1();
}

void MicrophonePage::ToggleMute() {
  common::PropertyBlock1& b1 = context_.blocks.Block1();
  b1.SetMicMute(!b1.MicMute());
  ShowImages();
  ApplyCaptureVolume();
  context_.blocks.SendBlock1();
}

void MicrophonePage::MonitorMoved(int value) {
  if (showing_) return;
  common::PropertyBlock1& b1 = context_.blocks.Block1();
  ui_.label_16->setNum(value);
  b1.SetMonitorVolume(static_cast<std::uint32_t>(value));
  b1.SetMonitoring(value != 0);
  ShowImages();
  FollowMonitoring();
  context_.blocks.SendBlock1();
}

void MicrophonePage::ToggleMonitor() {
  common::PropertyBlock1& b1 = context_.blocks.Block1();
  b1.SetMonitoring(!b1.Monitoring());
  ShowImages();
  FollowMonitoring();
  context_.blocks.SendBlock1();
}

void MicrophonePage::FollowMonitoring() {
  if (!context_.blocks.Block1().Monitoring()) {
    context_.api.kill_task(kMonitorHelper);
  } else if (context_.api.is_task_running(kMonitorHelper) < 1) {
    context_.api.start_task(kMonitorHelper, L"", 0, L"");
  }
}

}  // namespace oro::panel
