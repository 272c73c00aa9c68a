// The equalizer's frequency response, drawn from the coefficient records of
// block 2 (the numbers the processing object filters with) on a log-frequency
// axis from 20 Hz to 20 kHz and -20 to +20 dB.
#pragma once

#include <QWidget>
#include <vector>

#include "oro/common/property_blocks.h"
#include "oro/eq/response.h"

namespace oro::panel {

class ResponsePlot : public QWidget {
  Q_OBJECT

 public:
  explicit ResponsePlot(QWidget* parent = nullptr);

  // Takes the block's coefficients and schedules a repaint; the curve is
  // computed when it is next drawn or asked for, off the slider's path.
  void ShowBlock(const common::PropertyBlock2& block);
  // Whether the curve is drawn as active (equalizer on) or greyed.
  void SetActive(bool active);

  // The plotted points: a log grid with the ten band centres among them.
  const std::vector<eq::ResponsePoint>& Points();

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<double> frequencies_;
  std::vector<eq::ResponsePoint> points_;
  common::PropertyBlock2 block_;
  bool stale_ = true;
  bool active_ = true;
};

}  // namespace oro::panel
