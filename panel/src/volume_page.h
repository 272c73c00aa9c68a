// Volume page: master, left and right volume, the left/right lock and mute,
// with the status strip's master slider and mute button, and the reaction to
// volume changes made elsewhere in the system.
#pragma once

#include "panel_page.h"
#include "ui_volume_page.h"
#include "volume_balance.h"

class QSlider;
class QPushButton;

namespace oro::headset {
class SystemVolumeWatcher;
}

namespace oro::panel {

class VolumePage : public PanelPage {
  Q_OBJECT

 public:
  explicit VolumePage(PanelContext& context, QWidget* parent = nullptr);

  void SetUp() override;
  void ShowValues() override;
  void Retranslate() override;
  // Ends following the system volume (the window is shutting down).
  void Stop() override;

  // The watcher of the system volume; null before set-up, after Stop, and
  // when the panel was given no audio system.
  headset::SystemVolumeWatcher* Watcher() const { return watcher_; }

 public slots:
  // The system volume watcher's signals.
  void volumeChanged(int newVolume);
  void muteChanged(bool isMuted);

 private:
  void SliderMoved(VolumeSource source, int value);
  void Balance(VolumeSource source);
  void ToggleMute();
  void ToggleLock();
  void ShowVolumes();
  void ShowMute();
  void ShowLock();
  void SetEndpointVolume(int volume);

  Ui::VolumePage ui_;
  QSlider* strip_slider_ = nullptr;
  QPushButton* strip_mute_ = nullptr;
  headset::SystemVolumeWatcher* watcher_ = nullptr;
};

}  // namespace oro::panel
