// Microphone page: input and monitoring volume, microphone mute and the
// monitoring helper program.
#pragma once

#include "panel_page.h"
#include "ui_microphone_page.h"

namespace oro::panel {

class MicrophonePage : public PanelPage {
  Q_OBJECT

 public:
  explicit MicrophonePage(PanelContext& context, QWidget* parent = nullptr);

  void SetUp() override;
  void ShowValues() override;
  void Retranslate() override;

 private:
  void InputMoved(int value);
  void ToggleMute();
  void MonitorMoved(int value);
  void ToggleMonitor();
  void FollowMonitoring();
  void ApplyCaptureVolume();
  void ShowImages();

  Ui::MicrophonePage ui_;
  bool showing_ = false;
};

}  // namespace oro::panel
