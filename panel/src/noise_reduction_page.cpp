#include "noise_reduction_page.h"

#include <QLabel>
#include <QPushButton>
#include <QSlider>

#include "page_style.h"

namespace oro::panel {
namespace {
constexpr int kDefaultStrength = 50;
}  // namespace

NoiseReductionPage::NoiseReductionPage(PanelContext& context, QWidget* parent) : PanelPage(context, parent) {
  ui_.setupUi(this);
}

void NoiseReductionPage::SetUp() {
  ui_.horizontalSlider_17->setRange(1, 100);
  ShowValues();
  connect(ui_.pushButton_29, &QPushButton::clicked, this, [this] { Toggle(); });
  connect(ui_.horizontalSlider_17, &QSlider::valueChanged, this, [this](int v) { StrengthMoved(v); });
  connect(ui_.pushButton_31, &QPushButton::clicked, this, [this] { ResetStrength(); });
}

void NoiseReductionPage::ShowValues() {
  const common::PropertyBlock1& b1 = context_.blocks.Block1();
  const bool on = b1.NoiseReduction();
  SetStateImage(ui_.widget_50, QStringLiteral("/right/png/jiangzao_pic.png"),
                QStringLiteral("/right/png/jiangzao_pic_nor.png"), on, QStringLiteral("border-image"));
  SetSwitchImage(ui_.pushButton_29, on);
  SetStatusColour(context_.Find<QLabel>("label_156"), on);
  GuardScope guard(showing_);
  ui_.horizontalSlider_17->setValue(static_cast<int>(b1.NoiseReductionStrength()));
}

void NoiseReductionPage::Retranslate() {
  ui_.retranslateUi(this);
  ShowValues();
}

void NoiseReductionPage::Toggle() {
  common::PropertyBlock1& b1 = context_.blocks.Block1();
  b1.SetNoiseReduction(!b1.NoiseReduction());
  ShowValues();
  context_.blocks.SendBlock1();
}

void NoiseReductionPage::StrengthMoved(int value) {
  if (showing_ || !context_.blocks.Block1().NoiseReduction()) return;
  context_.blocks.Block1().SetNoiseReductionStrength(static_cast<std::uint32_t>(value));
  context_.blocks.SendBlock1();
}

void NoiseReductionPage::ResetStrength() {
  common::PropertyBlock1& b1 = context_.blocks.Block1();
  if (!b1.NoiseReduction()) return;
  b1.SetNoiseReductionStrength(kDefaultStrength);
  {
    GuardScope guard(showing_);
    ui_.horizontalSlider_17->setValue(kDefaultStrength);
  }
  context_.blocks.SendBlock1();
}

}  // namespace oro::panel
