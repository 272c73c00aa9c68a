// The spatial, sound-field, microphone, voice-changer and noise-reduction
// pages on a recording library.
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <cmath>

#include "page_style.h"
#include "panel_fixture.h"
#include "sound_field_page.h"
#include "sound_field_picture.h"

namespace oro::test {
namespace {

using common::ListeningMode;
using common::Speaker;

class EffectPagesTest : public PanelTest {
 protected:
  void Start() {
    Window();
    api_.Clear();
  }
  common::PropertyBlock1& B1() { return window_->Context().blocks.Block1(); }
  common::PropertyBlock2& B2() { return window_->Context().blocks.Block2(); }
  std::vector<ApiCall> Sends(int type) {
    std::vector<ApiCall> out;
    for (const ApiCall& c : api_.Calls("setDeviceProperty")) {
      if (c.args[0] == type) out.push_back(c);
    }
    return out;
  }
  void Click(const char* name) { Find<QPushButton>(name)->click(); }
  panel::SoundFieldPage& Field() { return *window_->findChild<panel::SoundFieldPage*>(); }
};

TEST_F(EffectPagesTest, RoomSizesActOnlyWhileSpatialSoundIsOnAndOnlyOnAChange) {
  api_.stored.Block2().SetMode(ListeningMode::kSpatial, false);
  api_.stored.Block2().SetRoom(static_cast<common::RoomSize>(9));  // damaged store
  Start();
  Click("btn_room2");
  EXPECT_TRUE(api_.calls.empty());

  Click("pushButton_33");
  ASSERT_EQ(Sends(2).size(), 1u);
  EXPECT_EQ(Sends(2)[0].block[33], 1);
  Click("btn_room2");
  ASSERT_EQ(Sends(2).size(), 2u);
  EXPECT_EQ(Sends(2)[1].block[14], 2);
  EXPECT_NE(Find<QPushButton>("btn_room2")->styleSheet().indexOf(panel::kRowChosen), -1);
  Click("btn_room2");
  EXPECT_EQ(Sends(2).size(), 2u);
  Click("btn_room3");
  EXPECT_EQ(Sends(2).back().block[14], 3);
  EXPECT_EQ(Find<QPushButton>("btn_room2")->styleSheet().indexOf(panel::kRowChosen), -1);
}

TEST_F(EffectPagesTest, TheSoundFieldTurnsOneDegreeATickAndStopsWhenAnotherModeComesOn) {
  Start();
  ASSERT_EQ(B2().FieldMode(), common::SoundFieldMode::kNone);
  Click("Page4_P_1");  // off: nothing
  EXPECT_TRUE(api_.calls.empty());

  Click("pushButton_14");
  EXPECT_EQ(Sends(2).at(0).block[15], 1);
  EXPECT_EQ(Sends(2).at(0).block[16], 5);
  EXPECT_EQ(Sends(2).at(0).block[33], 0);
  EXPECT_FALSE(Field().Rotating());

  Click("Page4_P_1");
  EXPECT_EQ(Sends(2).back().block[16], 1);
  Field().Tick();
  Field().Tick();
  EXPECT_FLOAT_EQ(Field().Angle(), 358.0f);  // clockwise, kept within a turn
  Click("Page4_P_2");
  EXPECT_EQ(Sends(2).back().block[16], 2);
  for (int i = 0; i < 5; ++i) Field().Tick();
  EXPECT_FLOAT_EQ(Field().Angle(), 3.0f);
  Click("Page4_P_3");
  Field().Tick();
  EXPECT_FLOAT_EQ(Field().Angle(), 3.0f);
  EXPECT_NE(Find<QPushButton>("Page4_P_3")->styleSheet().indexOf("background:rgba(110,110,110,1);"), -1);

  Click("Page4_P_2");
  Click("pushButton_32");  // virtual 7.1 on
  EXPECT_FALSE(Field().Rotating());
  EXPECT_EQ(Sends(2).back().block[15], 0);
  EXPECT_EQ(Sends(2).back().block[1], 1);
  EXPECT_NE(Find<QLabel>("label_152")->styleSheet().indexOf(panel::kStatusOff), -1);
  EXPECT_TRUE(Find<QSlider>("page4_L")->testAttribute(Qt::WA_TransparentForMouseEvents));
}

TEST_F(EffectPagesTest, TrimsStopAtTheirEndsAndTheAllSpeakerControlsSetEveryTrim) {
  api_.stored.Block2().SetMode(ListeningMode::kSoundField, true);
  api_.stored.Block2().SetTrim(Speaker::kL, 2);
  api_.stored.Block2().SetTrim(Speaker::kR, -5);
  api_.stored.Block2().SetTrim(Speaker::kW, 0);
  Start();
  Click("Page4_P_6");  // minus: every trim one down, then the slider sets all to L
  for (std::size_t s = 0; s < 8; ++s) EXPECT_EQ(B2().Trim(static_cast<Speaker>(s)), 1) << s;
  EXPECT_EQ(Find<QSlider>("horizontalSlider_14")->value(), 1);
  EXPECT_EQ(Find<QLabel>("R_V")->text(), "1");

  for (int i = 0; i < 6; ++i) Click("Page4_P_7");
  EXPECT_EQ(B2().Trim(Speaker::kC), 4);
  Find<QSlider>("horizontalSlider_14")->setValue(-13);
  Click("Page4_P_6");
  EXPECT_EQ(B2().Trim(Speaker::kRB), -13);
  EXPECT_EQ(Sends(2).back().block[17 + 5], static_cast<std::uint8_t>(-13));

  Find<QSlider>("page4_LS")->setValue(-2);
  EXPECT_EQ(Sends(2).back().block[17 + 2], static_cast<std::uint8_t>(-2));
  Click("Page4_P_5");  // restore defaults
  EXPECT_EQ(Sends(2).back().block[16], 4);
  for (int s = 0; s < 8; ++s) EXPECT_EQ(Sends(2).back().block[17 + s], 0);
  EXPECT_EQ(Find<QSlider>("page4_LS")->value(), 0);
}

TEST_F(EffectPagesTest, ThePictureStaysInsideItsImageWhateverTheImageSizes) {
  QImage tiny(40, 30, QImage::Format_ARGB32);
  tiny.fill(Qt::black);
  QImage mark(64, 64, QImage::Format_ARGB32);
  mark.fill(Qt::red);
  const QImage out = panel::DrawSoundField(tiny, mark, 1e6f);
  EXPECT_EQ(out.size(), tiny.size());
  EXPECT_TRUE(panel::DrawSoundField(QImage(), mark, 0).isNull());

  // A mark placed at its angle: R, 20 degrees up from the right, turned by 90 to 110 degrees at radius 110,
  // and turned with it (a point 12 pixels below the mark's centre moves with the mark).
  QImage circle(300, 300, QImage::Format_ARGB32);
  circle.fill(Qt::black);
  QImage dot(31, 31, QImage::Format_ARGB32);
  dot.fill(Qt::green);
  const QImage placed = panel::DrawSoundField(circle, dot, 90.0f);
  const double t = 110 * M_PI / 180;
  const int x = int(150 + 110 * std::cos(t) + 12 * std::sin(t));
  const int y = int(150 - 110 * std::sin(t) + 12 * std::cos(t));
  EXPECT_EQ(placed.pixelColor(x, y), QColor(Qt::green)) << x << "," << y;
  EXPECT_EQ(placed.pixelColor(150, 150), QColor(Qt::black));
  EXPECT_FLOAT_EQ(panel::TurnAngle(359.5f, 1.0f), 0.5f);
  EXPECT_FLOAT_EQ(panel::TurnAngle(0.0f, -1.0f), 359.0f);
}

TEST_F(EffectPagesTest, MonitoringRunsTheHelperExactlyWhileItIsOn) {
  Start();
  Find<QSlider>("verticalSlider_2")->setValue(0);
  EXPECT_EQ(api_.Calls("kill_task").size(), 1u);
  EXPECT_EQ(Sends(1).back().block[27], 0);
  EXPECT_NE(Find<QPushButton>("pushButton_16")->styleSheet().indexOf("silent-volumeHigh"), -1);

  api_.Clear();
  Find<QSlider>("verticalSlider_2")->setValue(40);
  EXPECT_EQ(api_.Calls("start_task").size(), 1u);
  EXPECT_EQ(api_.Calls("start_task")[0].text, L"normal.exe");
  EXPECT_EQ(Sends(1).back().block[27], 1);
  EXPECT_EQ(Sends(1).back().block[12], 40);
  api_.task_running = 1;
  Find<QSlider>("verticalSlider_2")->setValue(50);
  EXPECT_EQ(api_.Calls("start_task").size(), 1u);

  // Input volume 0 mutes the capture endpoint by its volume.
  api_.Clear();
  Find<QSlider>("verticalSlider")->setValue(0);
  EXPECT_EQ(api_.Calls("SetVolum").at(0).args, (std::vector<int>{0, 1}));
  EXPECT_EQ(Sends(1).back().block[24], 1);
  Click("pushButton_15");
  EXPECT_EQ(Sends(1).back().block[24], 0);
}

TEST_F(EffectPagesTest, TheVoiceChangerBringsNoiseReductionAndItsCaptionsNameTheirVoices) {
  api_.stored.Block1().SetVoiceChanger(false);
  api_.stored.Block1().SetNoiseReduction(false);
  Start();
  Click("btn_mh2");  // off: nothing
  Find<QSlider>("horizontalSlider_17")->setValue(80);
  Click("pushButton_31");
  EXPECT_TRUE(api_.calls.empty());

  Click("pushButton_8");
  const auto sends = Sends(1);
  ASSERT_EQ(sends.size(), 2u);
  EXPECT_EQ(sends[0].block[23], 1);
  EXPECT_EQ(sends[1].block[20], 1);
  EXPECT_EQ(sends[1].block[23], 1);
  EXPECT_NE(Find<QLabel>("label_151")->styleSheet().indexOf(panel::kStatusOn), -1);
  EXPECT_NE(Find<QLabel>("label_156")->styleSheet().indexOf(panel::kStatusOn), -1);

  Click("btn_mh4");
  EXPECT_EQ(Sends(1).back().block[21], 4);
  Find<QSlider>("horizontalSlider_17")->setValue(80);
  EXPECT_EQ(Sends(1).back().block[16], 80);
  Click("pushButton_31");
  EXPECT_EQ(Sends(1).back().block[16], 50);
  EXPECT_EQ(Find<QSlider>("horizontalSlider_17")->value(), 50);

  // Chinese captions: voice 1 is the monster, 2 the cartoon, 3 the man, 4 the woman.
  window_->Context().language = 0;
  window_->ApplyLanguage();
  EXPECT_EQ(Find<QLabel>("label_mh1")->text(), QString::fromUtf8("怪兽"));
  EXPECT_EQ(Find<QLabel>("label_mh2")->text(), QString::fromUtf8("卡通"));
  EXPECT_EQ(Find<QLabel>("label_mh3")->text(), QString::fromUtf8("男人"));
  EXPECT_EQ(Find<QLabel>("label_mh4")->text(), QString::fromUtf8("女人"));
}

}  // namespace
}  // namespace oro::test
