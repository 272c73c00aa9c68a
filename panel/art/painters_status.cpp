// Art of the sound-field picture, the palette and the headset status.
#include <QPainter>
#include <QPainterPath>

#include "painters.h"
#include "palette.h"

namespace oro::panel::art {

namespace {

QImage Blank(int w, int h) {
  QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

}  // namespace

// Transparent outside the rings, so the page shows through; the speakers
// are set 110 pixels from the centre onto this picture by the page.
QImage SoundFieldCircle() {
  QImage image = Blank(340, 340);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const QPointF centre(170, 170);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x1b, 0x1c, 0x1e, 220));
  p.drawEllipse(centre, 150, 150);
  for (int ring = 1; ring <= 3; ++ring) {
    p.setPen(QPen(ring == 2 ? kRed : kDim, ring == 2 ? 1.6 : 1.2, ring == 2 ? Qt::SolidLine : Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, ring * 55.0, ring * 55.0);
  }
  p.setPen(Qt::NoPen);
  p.setBrush(kLight);
  p.drawEllipse(QPointF(170, 160), 12, 12);
  p.drawRoundedRect(QRectF(154, 174, 32, 20), 8, 8);
  return image;
}

QImage SpeakerMark() {
  QImage image = Blank(28, 28);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(kLight, 1.5));
  p.setBrush(QColor(0x2b, 0x2d, 0x30));
  p.drawRoundedRect(QRectF(4, 2, 20, 24), 4, 4);
  p.setBrush(kRed);
  p.setPen(Qt::NoPen);
  p.drawEllipse(QPointF(14, 17), 5, 5);
  p.setBrush(kLight);
  p.drawEllipse(QPointF(14, 8), 2.5, 2.5);
  return image;
}

QImage Palette() {
  QImage image(kPaletteSize, kPaletteSize, QImage::Format_RGB32);
  for (int y = 0; y < kPaletteSize; ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < kPaletteSize; ++x) {
      const Rgb c = PaletteColour(x, y);
      line[x] = qRgb(c.r, c.g, c.b);
    }
  }
  return image;
}

// 51 x 51: a battery filled to the percentage, a bolt while charging, an
// empty outline with a cross when nothing is known.
QImage Battery(int percent, bool charging, bool none) {
  QImage image = Blank(51, 51);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const QRectF body(8, 16, 32, 19);
  p.setPen(QPen(none ? kDim : kLight, 2));
  p.setBrush(Qt::NoBrush);
  p.drawRoundedRect(body, 3, 3);
  p.setPen(Qt::NoPen);
  p.setBrush(none ? kDim : kLight);
  p.drawRect(QRectF(41, 22, 3, 7));
  if (none) {
    p.setPen(QPen(kDim, 2));
    p.drawLine(QPointF(18, 20), QPointF(30, 31));
    p.drawLine(QPointF(30, 20), QPointF(18, 31));
    return image;
  }
  if (charging) {
    QPainterPath bolt;
    bolt.moveTo(26, 18);
    bolt.lineTo(18, 27);
    bolt.lineTo(24, 27);
    bolt.lineTo(21, 34);
    bolt.lineTo(30, 24);
    bolt.lineTo(24, 24);
    bolt.closeSubpath();
    p.setBrush(kRed);
    p.drawPath(bolt);
    return image;
  }
  const qreal width = 28.0 * percent / 100.0;
  p.setBrush(percent <= 20 ? kRed : kLight);
  p.drawRect(QRectF(10, 18, width, 15));
  return image;
}

// 51 x 41: a radio link, red waves when the dongle reaches the headset.
QImage Link(bool connected) {
  QImage image = Blank(51, 41);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor colour = connected ? kRed : kDim;
  p.setPen(Qt::NoPen);
  p.setBrush(connected ? kLight : kDim);
  p.drawEllipse(QPointF(25.5, 30), 3.5, 3.5);
  p.setBrush(Qt::NoBrush);
  for (int ring = 1; ring <= 3; ++ring) {
    p.setPen(QPen(colour, 2.2, Qt::SolidLine, Qt::RoundCap));
    const qreal r = 6.0 + ring * 6.5;
    p.drawArc(QRectF(25.5 - r, 30 - r, 2 * r, 2 * r), 45 * 16, 90 * 16);
  }
  if (!connected) {
    p.setPen(QPen(kGrey, 2));
    p.drawLine(QPointF(12, 6), QPointF(39, 36));
  }
  return image;
}

}  // namespace oro::panel::art
