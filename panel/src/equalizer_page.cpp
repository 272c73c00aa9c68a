#include "equalizer_page.h"

#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QSlider>

#include "listening_modes.h"
#include "oro/eq/presets.h"
#include "page_style.h"
#include "response_plot.h"

namespace oro::panel {
namespace {

constexpr int kGainOffset = 20;  // slider value = gain + 20

// Replaces the colour after "background:" in a button's style sheet.
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

}  // namespace

EqualizerPage::EqualizerPage(PanelContext& context, const QString& curve_file, QWidget* parent)
    : PanelPage(context, parent), curves_(curve_file.toStdString()) {
  ui_.setupUi(this);
  plot_ = new ResponsePlot(this);
  plot_->setObjectName(QStringLiteral("eq_response"));
  plot_->setGeometry(ui_.widget_eq_response->geometry());
  ui_.widget_eq_response->hide();
  import_button_ = ui_.btn_eq_import;
  fit_label_ = ui_.label_eq_fit;
  for (int id = 0; id < 12; ++id) presets_[id] = findChild<QPushButton*>(QStringLiteral("btn_jhq%1").arg(id));
  for (int k = 0; k < 10; ++k) {
    sliders_[k] = findChild<QSlider*>(QStringLiteral("verticalSlider_%1").arg(k + 10));
    labels_[k] = findChild<QLabel*>(QStringLiteral("jhq_lab_%1").arg(k + 10));
    sliders_[k]->setRange(0, 40);
  }
}

EqualizerPage::~EqualizerPage() = default;

bool EqualizerPage::EqualizerOn() const { return context_.blocks.Block2().Mode(common::ListeningMode::kEqualizer); }

void EqualizerPage::SetUp() {
  ShowListeningModes(context_);
  for (int id = 0; id < 12; ++id) {
    if (presets_[id] != nullptr) connect(presets_[id], &QPushButton::clicked, this, [this, id] { PresetClicked(id); });
  }
  FollowSwitch();
  ShowGains();
  for (int k = 0; k < 10; ++k) {
    connect(sliders_[k], &QSlider::valueChanged, this, [this, k](int v) { BandMoved(k, v); });
  }

  const auto loaded = curves_.Load();
  if (loaded.status == eq::CurveStore::LoadStatus::kRepaired ||
      loaded.status == eq::CurveStore::LoadStatus::kUnreadable) {
    fit_label_->setText(
        tr("The saved curves file was damaged; what could be read is kept and the original is kept "
           "aside."));
  }
  ListCurves();

  connect(ui_.pushButton_6, &QPushButton::clicked, this,
          [this] { ToggleListeningMode(context_, common::ListeningMode::kEqualizer); });
  connect(ui_.pushButton_26, &QPushButton::clicked, this, [this] { RestoreDefault(); });
  connect(ui_.pushButton_25, &QPushButton::clicked, this, [this] { SaveCurve(); });
  connect(ui_.pushButton_24, &QPushButton::clicked, this, [this] { DeleteCurve(); });
  connect(ui_.comboBox, &QComboBox::textActivated, this, [this](const QString& name) { ChooseCurve(name); });
  connect(import_button_, &QPushButton::clicked, this, [this] { ChooseImportFile(); });
  ShowResponse();
}

void EqualizerPage::ShowValues() {
  ShowListeningModes(context_);
  FollowSwitch();
  {
    GuardScope guard(showing_);
    for (int k = 0; k < 10; ++k) {
      sliders_[k]->setValue(context_.blocks.Block3().Gain(k) + kGainOffset);
      labels_[k]->setNum(context_.blocks.Block3().Gain(k));
    }
  }
  ShowResponse();
}

void EqualizerPage::Retranslate() {
  const QString fit = fit_label_->text();
  ui_.retranslateUi(this);
  fit_label_->setText(fit);
  ShowValues();
}

void EqualizerPage::FollowSwitch() {
  const bool on = EqualizerOn();
  for (QSlider* s : sliders_) {
    if (s != nullptr) s->setAttribute(Qt::WA_TransparentForMouseEvents, !on);
  }
  plot_->SetActive(on);
}

void EqualizerPage::ShowResponse() { plot_->ShowBlock(context_.blocks.Block2()); }

// Showing block 3 moves the sliders; each slider whose value changes sends
// block 3 through its own handler.
void EqualizerPage::ShowGains() {
  for (int k = 0; k < 10; ++k) {
    if (sliders_[k] == nullptr) continue;
    sliders_[k]->setValue(context_.blocks.Block3().Gain(k) + kGainOffset);
    labels_[k]->setNum(context_.blocks.Block3().Gain(k));
  }
}

void EqualizerPage::BandMoved(int band, int value) {
  if (showing_) return;
  const int gain = value - kGainOffset;
  labels_[band]->setNum(gain);
  context_.blocks.Block3().SetGain(band, gain);
  context_.blocks.SendBlock3();
  ShowResponse();
}

void EqualizerPage::PresetClicked(int id) {
  if (!EqualizerOn()) return;
  for (int i = 0; i < 12; ++i) {
    if (presets_[i] != nullptr) SetBackground(presets_[i], i == id ? "rgba(110,110,110,1)" : "rgba(0,0,0,1)");
  }
  chosen_preset_ = presets_[id];
  chosen_preset_id_ = id;
  ApplyPreset(id);
}

void EqualizerPage::ApplyPreset(int id) {
  common::PropertyBlock3& b3 = context_.blocks.Block3();
  for (int k = 0; k < 10; ++k) b3.SetGain(k, eq::kPresetGains[id][k]);
  context_.blocks.SendBlock3();
  ShowGains();
  ShowResponse();
}

void EqualizerPage::RestoreDefault() {
  if (!EqualizerOn()) return;
  ApplyPreset(chosen_preset_id_ >= 0 ? chosen_preset_id_ : static_cast<int>(eq::kDefaultPreset));
}

}  // namespace oro::panel
