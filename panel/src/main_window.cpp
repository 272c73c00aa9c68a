#include "main_window.h"

#include <QLayout>
#include <QTimer>
#include <algorithm>

#include "equalizer_page.h"
#include "headset_link.h"
#include "lighting_page.h"
#include "message_box.h"
#include "mic_sample_rate_page.h"
#include "microphone_page.h"
#include "noise_reduction_page.h"
#include "page_style.h"
#include "sample_rate_page.h"
#include "sound_field_page.h"
#include "spatial_page.h"
#include "spatial_second_page.h"
#include "upgrade_page.h"
#include "voice_changer_page.h"
#include "volume_page.h"

namespace oro::panel {

demo::demo(DeviceApi& api, PanelSettings& settings, Options options, QWidget* parent)
    : QMainWindow(parent), context_(api, settings), options_(std::move(options)), language_(options_.app_folder) {
  ui_.setupUi(this);
  context_.window = this;
  setWindowFlags(Qt::FramelessWindowHint | Qt::WindowMinimizeButtonHint);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setAttribute(Qt::WA_TranslucentBackground);
  setFocusPolicy(Qt::NoFocus);
  BuildPages();
  for (QSlider* slider : findChildren<QSlider*>()) slider->setFocusPolicy(Qt::NoFocus);
  exit_poll_.setInterval(100);
  connect(&exit_poll_, &QTimer::timeout, this, &demo::PollExitCommand);
  // Child geometry settles once the window is shown; lay it out again then.
  QTimer::singleShot(100, this, [this] {
    if (ui_.centralWidget->layout() != nullptr) ui_.centralWidget->layout()->activate();
    for (QWidget* child : findChildren<QWidget*>()) {
      child->updateGeometry();
      child->update();
    }
    update();
  });
}

demo::~demo() { Shutdown(); }

QString demo::CurveFile() const {
  return options_.curve_file.isEmpty() ? options_.app_folder + QStringLiteral("/config/eqs.bin") : options_.curve_file;
}

void demo::BuildPages() {
  pages_ = {new VolumePage(context_),         new SampleRatePage(context_),    new EqualizerPage(context_, CurveFile()),
            new SpatialPage(context_),        new SoundFieldPage(context_),    new SpatialSecondPage(context_),
            new MicrophonePage(context_),     new MicSampleRatePage(context_), new VoiceChangerPage(context_),
            new NoiseReductionPage(context_), new LightingPage(context_),      nullptr};
  upgrade_page_ = new UpgradePage(context_);
  upgrade_page_->SetOptions({options_.update_check, options_.temp_folder, options_.ask_install});
  // The upgrade page and its controls are hidden until a new version is found.
  connect(upgrade_page_, &UpgradePage::newVersionFound, this, [this] {
    ui_.bt_y11->show();
    if (auto* controls = findChild<QWidget*>(QStringLiteral("widget_45"))) controls->show();
    ui_.bt_y11->click();
  });
  pages_[11] = upgrade_page_;
  for (PanelPage* page : pages_) ui_.stackedWidget->addWidget(page);
}

bool demo::Initialise() {
  if (context_.settings.isAddSysicon()) CreateTray();
  context_.settings.EnsureUserKey();
  if (context_.api.init() < 0) {
    ShowMessage(this, QString(), QStringLiteral("install driver FAILED"));
    return false;
  }
  if (context_.blocks.Load() < 0) {
    ShowMessage(this, QString(), QStringLiteral("get device info FAILED"));
    return false;
  }
  auto& block2 = context_.blocks.Block2();
  auto& block1 = context_.blocks.Block1();
  ApplyStoredVolume(block2.MasterVolume(), 0);
  if (block2.MasterVolume() >= 100) block2.SetMasterVolume(100);
  ApplyStoredVolume(static_cast<int>(std::min<std::uint32_t>(block1.MicVolume(), 100)), 1);
  if (block1.MicVolume() >= 100) block1.SetMicVolume(100);
  context_.blocks.SendBlock1();
  context_.blocks.SendBlock2();
  context_.ui_update_guard = false;

  SetUpTitleStrip();
  context_.language = context_.settings.language();
  ApplyLanguage();
  SetUpMenu();
  for (PanelPage* page : pages_) page->SetUp();
  RefreshStatusStrip();
  if (!context_.settings.ExitPollDisabled()) exit_poll_.start();
  context_.own_volume_guard = false;
  headset_ = std::make_unique<HeadsetLink>(
      context_, [this] { return tray_.get(); }, HeadsetLink::Options{options_.hid_bus, options_.headset_poll_ms, {}});
  headset_->Start();
  RunUpdateCheck();
  return true;
}

// A stored volume of 100 goes to the endpoint as 99 first and as 100 half a
// second later, so the endpoint reports a change even when it already stands
// at 100. The second step runs from a timer rather than holding up the start.
void demo::ApplyStoredVolume(int stored, int flow) {
  const int volume = std::clamp(stored, 0, 100);
  if (volume < 100) {
    context_.api.SetVolum(volume, flow);
    return;
  }
  context_.api.SetVolum(99, flow);
  QTimer::singleShot(500, this, [this, flow] {
    if (shut_down_) return;
    GuardScope guard(context_.own_volume_guard);
    context_.api.SetVolum(100, flow);
  });
}

void demo::RefreshStatusStrip() {
  using common::ListeningMode;
  const auto& block2 = context_.blocks.Block2();
  const auto& block1 = context_.blocks.Block1();
  SetStatusColour(ui_.label_146, block2.Mode(ListeningMode::kEqualizer));
  SetStatusColour(ui_.label_148, block2.Mode(ListeningMode::kVirtual71));
  SetStatusColour(ui_.label_150, block2.Mode(ListeningMode::kSpatial));
  SetStatusColour(ui_.label_152, block2.Mode(ListeningMode::kSoundField));
  SetStatusColour(ui_.label_151, block1.VoiceChanger());
  SetStatusColour(ui_.label_156, block1.NoiseReduction());
  SetMuteImage(ui_.pushButton_13, block2.SpeakerMute());
  ShowValues();
}

void demo::ShowValues() {
  GuardScope guard(context_.ui_update_guard);
  ui_.horizontalSlider_16->setValue(context_.blocks.Block2().MasterVolume());
  if (headset_) headset_->ShowLast();
}

void demo::RunUpdateCheck() { upgrade_page_->CheckAtStart(); }

void demo::PollExitCommand() {
  if (context_.settings.exitCmd() == 0) return;
  context_.settings.SetExitCmd(0);
  Shutdown();
  emit exitRequested(0);
}

void demo::Shutdown() {
  if (shut_down_) return;
  shut_down_ = true;
  exit_poll_.stop();
  // The headset's threads end before anything they reach goes away.
  if (headset_) headset_->Stop();
  context_.api.kill_task(kMonitorProgram);
  for (PanelPage* page : pages_) {
    if (page != nullptr) page->Stop();
  }
  if (context_.blocks.Loaded()) {
    context_.blocks.SendMonitoringOff();
    context_.blocks.Release();
  }
  if (tray_) tray_->Hide();
}

QString demo::TitleText() { return QString::fromStdWString(context_.settings.DisplayName()); }

void demo::ApplyTitle() {
  const QString title = TitleText();
  setWindowTitle(title);
  if (tray_) tray_->SetToolTip(title);
}

}  // namespace oro::panel
