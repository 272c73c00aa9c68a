// Headset lighting page: mode, speed, palette, preset colours and the RGB
// fields, sent to the headset as one lighting command. Not reachable from
// the menu.
#pragma once

#include <QColor>
#include <QPoint>

#include "panel_page.h"
#include "ui_lighting_page.h"

class QPushButton;

namespace oro::panel {

class LightingPage : public PanelPage {
  Q_OBJECT

 public:
  // The preset colours, in the order of the preset buttons.
  static constexpr int kPresetCount = 7;
  static const char* const kPresetButtons[kPresetCount];

  explicit LightingPage(PanelContext& context, QWidget* parent = nullptr);

  void SetUp() override;
  void Retranslate() override;

  // Builds the command from the widgets and sends it to the headset.
  void sendLightingCommand();
  // The colour of the palette at a point of label_color_pat (kept inside
  // the image), shown and sent.
  void pickPaletteColour(QPoint at);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void pickPresetColour();
  void editColour();
  void fillSwatch(const QColor& colour);
  void WriteColour(int red, int green, int blue);

  Ui::LightingPage ui_;
  QPushButton* overlay_ = nullptr;
  QPoint overlay_press_;
};

}  // namespace oro::panel
