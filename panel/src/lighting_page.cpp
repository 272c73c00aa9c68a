#include "lighting_page.h"

#include <QImage>
#include <QMouseEvent>
#include <QPixmap>
#include <algorithm>

#include "message_box.h"
#include "oro/headset/headset_reports.h"

namespace oro::panel {

namespace {

constexpr const char* kPaletteImage = ":/page4/png/pallete.png";
constexpr int kPresets[LightingPage::kPresetCount][3] = {{255, 0, 0},   {255, 255, 0}, {0, 255, 0},    {0, 255, 255},
                                                         {255, 0, 255}, {0, 0, 255},   {255, 255, 255}};

// The decimal value of a colour field's text; a number too long for any
// integer type is still simply "more than 255".
int ColourValue(const QString& digits) {
  int value = 0;
  for (const QChar c : digits) {
    if (!c.isDigit()) return 0;
    value = std::min(value * 10 + c.digitValue(), 1000);
  }
  return value;
}

}  // namespace

const char* const LightingPage::kPresetButtons[kPresetCount] = {"pushButton_35", "pushButton_36", "pushButton_37",
                                                                "pushButton_38", "pushButton_39", "pushButton_40",
                                                                "pushButton_43"};

LightingPage::LightingPage(PanelContext& context, QWidget* parent) : PanelPage(context, parent) {
  ui_.setupUi(this);
  ui_.label_color_pat->setPixmap(QPixmap(QString::fromLatin1(kPaletteImage)));
  overlay_ = new QPushButton(this);
  overlay_->setObjectName(QStringLiteral("palette_overlay"));
  overlay_->setFlat(true);
  overlay_->setGeometry(ui_.label_color_pat->geometry());
  overlay_->setStyleSheet(QStringLiteral("background: transparent;border: none;"));
  overlay_->setCursor(Qt::CrossCursor);
  overlay_->installEventFilter(this);
  GuardScope guard(context_.ui_update_guard);
  WriteColour(38, 90, 90);
}

void LightingPage::SetUp() {
  ui_.lineEdit_5->hide();
  ui_.pushButton_34->hide();
  ui_.label_225->hide();
  fillSwatch(QColor(38, 90, 90));
  connect(ui_.pushButton_9, &QPushButton::clicked, this, [this] { sendLightingCommand(); });
  connect(ui_.horizontalSlider_18, &QSlider::valueChanged, this, [this] { sendLightingCommand(); });
  connect(ui_.comboBox_3, qOverload<int>(&QComboBox::activated), this, [this] { sendLightingCommand(); });
  connect(overlay_, &QPushButton::clicked, this, [this] { pickPaletteColour(overlay_press_); });
  for (const char* name : kPresetButtons) {
    auto* button = findChild<QPushButton*>(QString::fromLatin1(name));
    connect(button, &QPushButton::clicked, this, &LightingPage::pickPresetColour);
  }
  for (QLineEdit* edit : {ui_.lineEdit, ui_.lineEdit_2, ui_.lineEdit_3}) {
    connect(edit, &QLineEdit::textChanged, this, &LightingPage::editColour);
    connect(edit, &QLineEdit::editingFinished, this, &LightingPage::editColour);
  }
}

void LightingPage::Retranslate() {
  // The form's texts would reset the fields and the mode; keep them.
  const int mode = ui_.comboBox_3->currentIndex();
  const QString red = ui_.lineEdit->text(), green = ui_.lineEdit_2->text(), blue = ui_.lineEdit_3->text();
  const QString summary = ui_.lineEdit_5->text();
  GuardScope guard(context_.ui_update_guard);
  ui_.retranslateUi(this);
  ui_.comboBox_3->setCurrentIndex(mode);
  ui_.lineEdit->setText(red);
  ui_.lineEdit_2->setText(green);
  ui_.lineEdit_3->setText(blue);
  ui_.lineEdit_5->setText(summary);
}

bool LightingPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == overlay_ &&
      (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonRelease)) {
    overlay_press_ = static_cast<QMouseEvent*>(event)->pos();
  }
  return PanelPage::eventFilter(watched, event);
}

void LightingPage::sendLightingCommand() {
  headset::Lighting lighting;
  lighting.mode = ui_.comboBox_3->currentIndex();
  lighting.speed = ui_.horizontalSlider_18->value();
  lighting.red = ColourValue(ui_.lineEdit->text());
  lighting.green = ColourValue(ui_.lineEdit_2->text());
  lighting.blue = ColourValue(ui_.lineEdit_3->text());
  ui_.lineEdit_5->setText(QString::asprintf("%d,%d,%d,%d,%d", lighting.mode, lighting.speed,
                                            std::min(lighting.red, 255), std::min(lighting.green, 255),
                                            std::min(lighting.blue, 255)));
  const headset::Payload command = headset::BuildLighting(lighting);
  // A headset plugged in after the start is looked up on its first use.
  if (context_.headset.interface_number == 0 && context_.headset.report_id == 0) {
    context_.api.find_usb_device(context_.headset);
  }
  // A headset that is not there changes nothing the user chose.
  context_.api.hid_trans_data(context_.headset, command.data(), nullptr);
}

void LightingPage::pickPaletteColour(QPoint at) {
  const QImage palette(QString::fromLatin1(kPaletteImage));
  if (palette.isNull()) return;
  // The label may be drawn at another size than the image; a point on its
  // edge still names a pixel of the image.
  const QSize label = ui_.label_color_pat->size();
  const int x = std::clamp(at.x() * palette.width() / std::max(label.width(), 1), 0, palette.width() - 1);
  const int y = std::clamp(at.y() * palette.height() / std::max(label.height(), 1), 0, palette.height() - 1);
  const QColor colour = palette.pixelColor(x, y);
  fillSwatch(QColor(colour.red(), colour.green(), colour.blue()));
  {
    GuardScope guard(context_.ui_update_guard);
    WriteColour(colour.red(), colour.green(), colour.blue());
  }
  sendLightingCommand();
}

void LightingPage::pickPresetColour() {
  for (int i = 0; i < kPresetCount; ++i) {
    if (sender() != findChild<QPushButton*>(QString::fromLatin1(kPresetButtons[i]))) continue;
    {
      GuardScope guard(context_.ui_update_guard);
      WriteColour(kPresets[i][0], kPresets[i][1], kPresets[i][2]);
    }
    fillSwatch(QColor(kPresets[i][0], kPresets[i][1], kPresets[i][2]));
    sendLightingCommand();
    return;
  }
}

void LightingPage::editColour() {
  if (context_.ui_update_guard) return;
  int values[3] = {};
  {
    GuardScope guard(context_.ui_update_guard);
    QLineEdit* edits[3] = {ui_.lineEdit, ui_.lineEdit_2, ui_.lineEdit_3};
    for (int i = 0; i < 3; ++i) {
      const QString text = edits[i]->text();
      QString digits;
      for (const QChar c : text) {
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) digits.append(c);
      }
      int value = ColourValue(digits);
      if (value < 1) {
        value = 0;
        digits = QStringLiteral("0");
      } else if (value >= 255) {
        value = 255;
        digits = QStringLiteral("255");
      }
      values[i] = value;
      if (digits != text) edits[i]->setText(digits);
    }
  }
  fillSwatch(QColor(values[0], values[1], values[2]));
}

void LightingPage::fillSwatch(const QColor& colour) {
  QImage image(ui_.label_color_pat_2->size(), QImage::Format_ARGB32);
  image.fill(colour);
  const QPixmap pixmap = QPixmap::fromImage(image);
  if (pixmap.isNull()) {
    ShowMessage(this, QString(), QStringLiteral("picture NULL"));
    return;
  }
  ui_.label_color_pat_2->setPixmap(pixmap);
}

void LightingPage::WriteColour(int red, int green, int blue) {
  ui_.lineEdit->setText(QString::number(red));
  ui_.lineEdit_2->setText(QString::number(green));
  ui_.lineEdit_3->setText(QString::number(blue));
}

}  // namespace oro::panel
