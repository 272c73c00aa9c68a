// Equalizer page: the switch, twelve presets, ten band sliders, the custom
// curves of "config/eqs.bin", the response of the filters in block 2 and the
// import of headphone correction curves.
#pragma once

#include <array>
#include <memory>

#include "oro/eq/curve_store.h"
#include "panel_page.h"
#include "ui_equalizer_page.h"

class QAbstractButton;
class QLabel;
class QPushButton;
class QSlider;

namespace oro::panel {

class ResponsePlot;

class EqualizerPage : public PanelPage {
  Q_OBJECT

 public:
  // `curve_file` is the custom curves file this page keeps.
  EqualizerPage(PanelContext& context, const QString& curve_file, QWidget* parent = nullptr);
  ~EqualizerPage() override;

  void SetUp() override;
  void ShowValues() override;
  void Retranslate() override;

  // After the equalizer switch changed (here or by another mode): the
  // sliders follow the mouse only while the equalizer is on.
  void FollowSwitch();

  // Fits the bands to a "frequency, level" file, saves the result as a curve
  // named after the file and applies it. False with a message shown otherwise.
  bool ImportCurve(const QString& path);

  ResponsePlot* Plot() const { return plot_; }
  eq::CurveStore& Curves() { return curves_; }

 private:
  bool EqualizerOn() const;
  void PresetClicked(int id);
  void ApplyPreset(int id);
  void BandMoved(int band, int value);
  void ShowGains();
  void ShowResponse();
  void RestoreDefault();
  void SaveCurve();
  void DeleteCurve();
  void ChooseCurve(const QString& name);
  void ChooseImportFile();
  void ListCurves();

  Ui::EqualizerPage ui_;
  eq::CurveStore curves_;
  std::array<QSlider*, 10> sliders_{};
  std::array<QLabel*, 10> labels_{};
  std::array<QPushButton*, 12> presets_{};
  QAbstractButton* chosen_preset_ = nullptr;
  int chosen_preset_id_ = -1;
  ResponsePlot* plot_ = nullptr;
  QPushButton* import_button_ = nullptr;
  QLabel* fit_label_ = nullptr;
  // Set while ShowValues puts the stored gains back, which sends nothing.
  bool showing_ = false;
};

}  // namespace oro::panel
