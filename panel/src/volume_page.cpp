#include "volume_page.h"

#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include "oro/headset/system_volume_watcher.h"
#include "page_style.h"

namespace oro::panel {

VolumePage::VolumePage(PanelContext& context, QWidget* parent) : PanelPage(context, parent) { ui_.setupUi(this); }

void VolumePage::SetUp() {
  strip_slider_ = context_.Find<QSlider>("horizontalSlider_16");
  strip_mute_ = context_.Find<QPushButton>("pushButton_13");
  for (QSlider* s : {ui_.verticalSlider_4, ui_.verticalSlider_5, ui_.verticalSlider_7, strip_slider_}) {
    if (s != nullptr) s->setRange(0, 100);
  }
  for (QWidget* w : {static_cast<QWidget*>(ui_.pushButton_7), static_cast<QWidget*>(ui_.label_13),
                     static_cast<QWidget*>(ui_.btn_install_spk), static_cast<QWidget*>(ui_.btn_uninstall_spk)}) {
    w->hide();
  }
  if (auto* label = context_.Find<QLabel>("label_147")) label->hide();

  ShowVolumes();

  common::PropertyBlock2& b2 = context_.blocks.Block2();
  b2.SetSpeakerMute(b2.MasterVolume() == 0);
  ShowMute();
  context_.api.SetMasterMute(b2.SpeakerMute() ? 1 : 0, 0);

  context_.vol_locked = context_.settings.vol_locked();
  ShowLock();

  // Direct connections: the handlers run inside the slider's own emission.
  connect(ui_.verticalSlider_4, &QSlider::valueChanged, this,
          [this](int v) { SliderMoved(VolumeSource::kPageMaster, v); });
  connect(ui_.verticalSlider_5, &QSlider::valueChanged, this, [this](int v) { SliderMoved(VolumeSource::kLeft, v); });
  connect(ui_.verticalSlider_7, &QSlider::valueChanged, this, [this](int v) { SliderMoved(VolumeSource::kRight, v); });
  if (strip_slider_ != nullptr) {
    connect(strip_slider_, &QSlider::valueChanged, this, [this](int v) { SliderMoved(VolumeSource::kStripMaster, v); });
  }
  connect(ui_.pushButton_12, &QPushButton::clicked, this, [this] { ToggleMute(); });
  if (strip_mute_ != nullptr) connect(strip_mute_, &QPushButton::clicked, this, [this] { ToggleMute(); });
  connect(ui_.pushButton_4, &QPushButton::clicked, this, [this] { ToggleLock(); });

  // Its signals are posted to this thread; the slots hold the guards.
  if (context_.audio && watcher_ == nullptr) {
    watcher_ = new headset::SystemVolumeWatcher(context_.audio, this);
    connect(watcher_, &headset::SystemVolumeWatcher::volumeChanged, this, &VolumePage::volumeChanged);
    connect(watcher_, &headset::SystemVolumeWatcher::muteChanged, this, &VolumePage::muteChanged);
  }
}

void VolumePage::Stop() {
  // Deleting it ends the subscription and drops what is still queued for it.
  delete watcher_;
  watcher_ = nullptr;
}

void VolumePage::ShowValues() {
  ShowVolumes();
  ShowMute();
  ShowLock();
}

void VolumePage::Retranslate() {
  ui_.retranslateUi(this);
  ShowValues();
}

void VolumePage::ShowVolumes() {
  GuardScope guard(context_.ui_update_guard);
  const common::PropertyBlock2& b2 = context_.blocks.Block2();
  ui_.verticalSlider_4->setValue(b2.MasterVolume());
  if (strip_slider_ != nullptr) strip_slider_->setValue(b2.MasterVolume());
  ui_.verticalSlider_5->setValue(b2.LeftVolume());
  ui_.verticalSlider_7->setValue(b2.RightVolume());
  ui_.label_56->setNum(b2.MasterVolume());
  ui_.label_57->setNum(b2.LeftVolume());
  ui_.label_59->setNum(b2.RightVolume());
}

void VolumePage::ShowMute() {
  const bool muted = context_.blocks.Block2().SpeakerMute();
  SetMuteImage(ui_.pushButton_12, muted);
  SetMuteImage(strip_mute_, muted);
}

void VolumePage::ShowLock() {
  SetStateImage(ui_.pushButton_4, QStringLiteral("/right/png/icon_lock.png"),
                QStringLiteral("/right/png/icon_lock_open.png"), context_.vol_locked);
}

void VolumePage::SetEndpointVolume(int volume) {
  GuardScope guard(context_.own_volume_guard);
  context_.api.SetVolum(volume, 0);
}

void VolumePage::SliderMoved(VolumeSource source, int value) {
  if (context_.ui_update_guard) return;
  GuardScope guard(context_.ui_update_guard);
  common::PropertyBlock2& b2 = context_.blocks.Block2();
  switch (source) {
    case VolumeSource::kLeft:
      b2.SetLeftVolume(value);
      break;
    case VolumeSource::kRight:
      b2.SetRightVolume(value);
      break;
    default:
      b2.SetMasterVolume(value);
      break;
  }
  Balance(source);
}

void VolumePage::Balance(VolumeSource source) {
  common::PropertyBlock2& b2 = context_.blocks.Block2();
  const BalanceOutcome outcome =
      ApplyBalance(b2, context_.blocks.LastSent2().MasterVolume(), source, context_.vol_locked);
  // Every widget shows the outcome; the guard keeps their signals from coming back here.
  ShowVolumes();
  if (outcome.set_endpoint_volume) SetEndpointVolume(b2.MasterVolume());
  // The mute byte changed above travels with this send.
  context_.blocks.SendBlock2();
  if (outcome.mute_changed) {
    ShowMute();
    context_.api.SetMasterMute(b2.SpeakerMute() ? 1 : 0, 0);
    if (outcome.unmute_sets_volume) SetEndpointVolume(b2.MasterVolume());
  }
}

void VolumePage::ToggleMute() {
  common::PropertyBlock2& b2 = context_.blocks.Block2();
  b2.SetSpeakerMute(!b2.SpeakerMute());
  ShowMute();
  context_.api.SetMasterMute(b2.SpeakerMute() ? 1 : 0, 0);
  context_.blocks.SendBlock2();
}

void VolumePage::ToggleLock() {
  context_.vol_locked = !context_.vol_locked;
  ShowLock();
  context_.settings.SetVolLocked(context_.vol_locked);
}

void VolumePage::volumeChanged(int newVolume) {
  if (context_.own_volume_guard || context_.ui_update_guard) return;
  const int master = context_.blocks.Block2().MasterVolume();
  // The echo of the panel's own change, or a change too small to be the user's.
  if (newVolume == master) return;
  if (newVolume < 60 && newVolume >= master - 1 && newVolume <= master + 1) return;
  GuardScope guard(context_.ui_update_guard);
  context_.blocks.Block2().SetMasterVolume(newVolume);
  Balance(VolumeSource::kSystem);
}

void VolumePage::muteChanged(bool isMuted) {
  if (context_.ui_update_guard) return;
  GuardScope guard(context_.ui_update_guard);
  context_.blocks.Block2().SetSpeakerMute(isMuted);
  ShowMute();
  context_.blocks.SendBlock2();
}

}  // namespace oro::panel
