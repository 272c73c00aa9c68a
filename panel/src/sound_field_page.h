// Sound-field page: the switch, eight speaker trims, the all-speaker trim,
// the rotation modes and the turning picture.
#pragma once

#include <QImage>
#include <QTimer>
#include <array>

#include "panel_page.h"
#include "ui_sound_field_page.h"

class QPushButton;
class QSlider;
class QLabel;

namespace oro::panel {

class SoundFieldPage : public PanelPage {
  Q_OBJECT

 public:
  explicit SoundFieldPage(PanelContext& context, QWidget* parent = nullptr);

  void SetUp() override;
  void ShowValues() override;
  void Retranslate() override;
  void Stop() override;

  // After the switch changed: the trims follow the mouse only while it is on.
  void FollowSwitch();
  // Starts or stops the rotation as bytes 15 and 16 say.
  void FollowRotationMode();

  float Angle() const { return angle_; }
  int Direction() const { return direction_; }
  bool Rotating() const { return rotating_; }
  // One tick of the rotation timer.
  void Tick();

 private:
  bool FieldOn() const;
  void ModeButton(int index);
  void StartRotation(int direction);
  void StopRotation();
  void TrimMoved(int speaker, int value);
  void AllTrimsMoved(int value);
  void StepAllTrims(int step);
  void ShowTrims();
  void DrawPicture();
  void MarkPressed(int index);

  Ui::SoundFieldPage ui_;
  std::array<QSlider*, 8> trims_{};
  std::array<QLabel*, 8> trim_labels_{};
  std::array<QPushButton*, 5> modes_{};
  QTimer timer_;
  QImage circle_;
  QImage mark_;
  float angle_ = 0.0f;
  float step_ = 1.0f;
  int direction_ = 0;
  bool rotating_ = false;
  bool showing_ = false;
};

}  // namespace oro::panel
