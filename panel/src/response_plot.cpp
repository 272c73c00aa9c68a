#include "response_plot.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "oro/common/eq_coefficients.h"

namespace oro::panel {
namespace {

constexpr double kLowHz = 20.0;
constexpr double kHighHz = 20000.0;
constexpr double kRangeDb = 20.0;

}  // namespace

ResponsePlot::ResponsePlot(QWidget* parent) : QWidget(parent) {
  frequencies_ = eq::LogFrequencies(kLowHz, kHighHz, 240);
  // The band centres are plotted exactly, so a raised band's peak is on the curve.
  for (const auto& band : common::kEqBands) frequencies_.push_back(band.centre_hz);
  std::sort(frequencies_.begin(), frequencies_.end());
  setAttribute(Qt::WA_TransparentForMouseEvents);
}

void ResponsePlot::ShowBlock(const common::PropertyBlock2& block) {
  block_ = block;
  stale_ = true;
  update();
}

const std::vector<eq::ResponsePoint>& ResponsePlot::Points() {
  if (stale_) {
    points_ = eq::ResponseCurve(block_, frequencies_);
    stale_ = false;
  }
  return points_;
}

void ResponsePlot::SetActive(bool active) {
  if (active_ == active) return;
  active_ = active;
  update();
}

void ResponsePlot::paintEvent(QPaintEvent*) {
  QPainter p(this);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF area = QRectF(rect()).adjusted(30, 6, -6, -16);
  p.fillRect(rect(), QColor(0x1c, 0x1d, 0x20));
  auto x_of = [&](double hz) {
    return area.left() + area.width() * std::log(hz / kLowHz) / std::log(kHighHz / kLowHz);
  };
  auto y_of = [&](double db) {
    const double clamped = std::clamp(db, -kRangeDb, kRangeDb);
    return area.center().y() - area.height() / 2 * clamped / kRangeDb;
  };

  QFont small = font();
  small.setPixelSize(9);
  p.setFont(small);
  p.setPen(QColor(0x3a, 0x3c, 0x3f));
  for (double db : {-20.0, -10.0, 0.0, 10.0, 20.0}) {
    p.drawLine(QPointF(area.left(), y_of(db)), QPointF(area.right(), y_of(db)));
  }
  for (double hz : {100.0, 1000.0, 10000.0})
    p.drawLine(QPointF(x_of(hz), area.top()), QPointF(x_of(hz), area.bottom()));
  p.setPen(QColor(0x8a, 0x8c, 0x8f));
  for (double db : {-20.0, 0.0, 20.0}) {
    p.drawText(QRectF(0, y_of(db) - 6, 26, 12), Qt::AlignRight | Qt::AlignVCenter, QString::number(db));
  }
  const struct {
    double hz;
    const char* text;
  } ticks[] = {{kLowHz, "20"}, {100, "100"}, {1000, "1k"}, {10000, "10k"}, {kHighHz, "20k"}};
  for (const auto& t : ticks) {
    const double left = std::clamp(x_of(t.hz) - 15, 0.0, width() - 30.0);
    p.drawText(QRectF(left, area.bottom() + 2, 30, 12), Qt::AlignCenter, QString::fromLatin1(t.text));
  }

  QPainterPath path;
  const std::vector<eq::ResponsePoint>& points = Points();
  for (std::size_t i = 0; i < points.size(); ++i) {
    const QPointF at(x_of(points[i].hz), y_of(points[i].db));
    if (i == 0) {
      path.moveTo(at);
    } else {
      path.lineTo(at);
    }
  }
  p.setClipRect(area);
  p.setPen(QPen(active_ ? QColor(0xef, 0x03, 0x03) : QColor(0x6a, 0x6c, 0x6f), 2));
  p.drawPath(path);
}

}  // namespace oro::panel
