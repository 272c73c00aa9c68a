#include "sound_field_page.h"

#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpression>
#include <QSlider>
#include <algorithm>

#include "listening_modes.h"
#include "message_box.h"
#include "sound_field_picture.h"

namespace oro::panel {
namespace {

using common::SoundFieldMode;
using common::Speaker;

void SetBackground(QWidget* w, const char* colour) {
  QString sheet = w->styleSheet();
  static const QRegularExpression kBackground(QStringLiteral("background:[^;]*;"));
  const QString setting = QStringLiteral("background:") + QLatin1String(colour) + QLatin1Char(';');
  if (sheet.contains(kBackground)) {
    sheet.replace(kBackground, setting);
  } else {
    sheet += setting;
  }
  w->setStyleSheet(sheet);
}

constexpr const char* kPressed = "rgba(110,110,110,1)";
constexpr const char* kPlain = "rgba(26,26,26,1)";

}  // namespace

SoundFieldPage::SoundFieldPage(PanelContext& context, QWidget* parent) : PanelPage(context, parent) {
  ui_.setupUi(this);
  trims_ = {ui_.page4_L, ui_.page4_R, ui_.page4_LS, ui_.page4_RS, ui_.page4_LB, ui_.page4_RB, ui_.page4_c, ui_.page4_w};
  trim_labels_ = {ui_.L_V, ui_.R_V, ui_.LS_V, ui_.RS_V, ui_.LB_V, ui_.RB_V, ui_.C_V, ui_.W_V};
  modes_ = {ui_.Page4_P_1, ui_.Page4_P_2, ui_.Page4_P_3, ui_.Page4_P_4, ui_.Page4_P_5};
  timer_.setInterval(100);
  connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
}

bool SoundFieldPage::FieldOn() const { return context_.blocks.Block2().Mode(common::ListeningMode::kSoundField); }

void SoundFieldPage::SetUp() {
  ui_.page4_Label_L_2->hide();
  ui_.label_17->hide();
  ShowListeningModes(context_);
  for (QSlider* s : trims_) {
    s->setRange(common::kTrimMin, common::kTrimMax);
    s->setPageStep(1);
  }
  for (QLabel* l : trim_labels_) l->setFixedWidth(32);
  ui_.horizontalSlider_14->setRange(common::kTrimMin, common::kTrimMax);
  {
    GuardScope guard(showing_);
    ui_.horizontalSlider_14->setValue(0);
  }
  ShowTrims();
  FollowSwitch();
  FollowRotationMode();
  DrawPicture();

  connect(ui_.pushButton_14, &QPushButton::clicked, this,
          [this] { ToggleListeningMode(context_, common::ListeningMode::kSoundField); });
  for (int i = 0; i < 8; ++i) {
    connect(trims_[i], &QSlider::valueChanged, this, [this, i](int v) { TrimMoved(i, v); });
  }
  connect(ui_.horizontalSlider_14, &QSlider::valueChanged, this, [this](int v) { AllTrimsMoved(v); });
  connect(ui_.Page4_P_6, &QPushButton::clicked, this, [this] { StepAllTrims(-1); });
  connect(ui_.Page4_P_7, &QPushButton::clicked, this, [this] { StepAllTrims(+1); });
  for (int i = 0; i < 5; ++i) {
    connect(modes_[i], &QPushButton::clicked, this, [this, i] { ModeButton(i); });
  }
}

void SoundFieldPage::ShowValues() {
  ShowListeningModes(context_);
  ShowTrims();
  FollowSwitch();
}

void SoundFieldPage::Retranslate() {
  ui_.retranslateUi(this);
  ShowValues();
  DrawPicture();
}

void SoundFieldPage::Stop() { StopRotation(); }

void SoundFieldPage::FollowSwitch() {
  const bool off = !FieldOn();
  for (QSlider* s : trims_) s->setAttribute(Qt::WA_TransparentForMouseEvents, off);
  ui_.horizontalSlider_14->setAttribute(Qt::WA_TransparentForMouseEvents, off);
}

void SoundFieldPage::FollowRotationMode() {
  const common::PropertyBlock2& b2 = context_.blocks.Block2();
  if (!FieldOn()) {
    StopRotation();
  } else if (b2.FieldMode() == SoundFieldMode::kClockwise) {
    StartRotation(-1);
  } else if (b2.FieldMode() == SoundFieldMode::kCounterClockwise) {
    StartRotation(+1);
  }
}

void SoundFieldPage::StartRotation(int direction) {
  timer_.stop();
  direction_ = direction;
  rotating_ = true;
  timer_.start();
}

void SoundFieldPage::StopRotation() {
  timer_.stop();
  direction_ = 0;
  rotating_ = false;
}

void SoundFieldPage::Tick() {
  if (!rotating_) return;
  angle_ = TurnAngle(angle_, static_cast<float>(direction_) * step_);
  DrawPicture();
}

void SoundFieldPage::MarkPressed(int index) {
  for (int i = 0; i < 5; ++i) SetBackground(modes_[i], i == index ? kPressed : kPlain);
}

void SoundFieldPage::ModeButton(int index) {
  if (!FieldOn()) return;
  MarkPressed(index);
  common::PropertyBlock2& b2 = context_.blocks.Block2();
  switch (index) {
    case 0:
      StartRotation(-1);
      b2.SetFieldMode(SoundFieldMode::kClockwise);
      break;
    case 1:
      StartRotation(+1);
      b2.SetFieldMode(SoundFieldMode::kCounterClockwise);
      break;
    case 2:
      StopRotation();
      b2.SetFieldMode(SoundFieldMode::kAngleHeld);
      break;
    default:  // centred, and restore defaults
      StopRotation();
      angle_ = 0;
      DrawPicture();
      b2.SetFieldMode(SoundFieldMode::kCentred);
      if (index == 4) {
        for (std::size_t s = 0; s < common::kSpeakerCount; ++s) b2.SetTrim(static_cast<Speaker>(s), 0);
        GuardScope guard(showing_);
        ui_.horizontalSlider_14->setValue(0);
      }
      break;
  }
  context_.blocks.SendBlock2();
  if (index == 4) ShowTrims();
}

void SoundFieldPage::ShowTrims() {
  GuardScope guard(showing_);
  const common::PropertyBlock2& b2 = context_.blocks.Block2();
  for (std::size_t s = 0; s < common::kSpeakerCount; ++s) {
    const int trim = std::clamp(b2.Trim(static_cast<Speaker>(s)), common::kTrimMin, common::kTrimMax);
    trims_[s]->setValue(trim);
    trim_labels_[s]->setNum(b2.Trim(static_cast<Speaker>(s)));
  }
}

void SoundFieldPage::TrimMoved(int speaker, int value) {
  if (showing_) return;
  context_.blocks.Block2().SetTrim(static_cast<Speaker>(speaker), value);
  SetBackground(ui_.Page4_P_5, kPlain);
  context_.blocks.SendBlock2();
  ShowTrims();
}

void SoundFieldPage::AllTrimsMoved(int value) {
  if (showing_ || !FieldOn()) return;
  for (std::size_t s = 0; s < common::kSpeakerCount; ++s)
    context_.blocks.Block2().SetTrim(static_cast<Speaker>(s), value);
  SetBackground(ui_.Page4_P_5, kPlain);
  context_.blocks.SendBlock2();
  ShowTrims();
}

void SoundFieldPage::StepAllTrims(int step) {
  if (!FieldOn()) return;
  common::PropertyBlock2& b2 = context_.blocks.Block2();
  for (std::size_t s = 0; s < common::kSpeakerCount; ++s) {
    const auto speaker = static_cast<Speaker>(s);
    b2.SetTrim(speaker, std::clamp(b2.Trim(speaker) + step, common::kTrimMin, common::kTrimMax));
  }
  context_.blocks.SendBlock2();
  ShowTrims();
  // When this moves the all-speaker slider, its handler sets every trim to L.
  ui_.horizontalSlider_14->setValue(b2.Trim(Speaker::kL));
}

void SoundFieldPage::DrawPicture() {
  if (circle_.isNull()) circle_.load(QString::fromUtf8(":/page4/png/\xe5\x9c\x86.png"));
  if (mark_.isNull()) mark_.load(QStringLiteral(":/page4/png/D__0.png"));
  const QImage picture = DrawSoundField(circle_, mark_, angle_);
  if (picture.isNull()) {
    ShowMessage(this, QString(), QStringLiteral("picture NULL"));
    return;
  }
  ui_.round->setPixmap(QPixmap::fromImage(picture));
}

}  // namespace oro::panel
