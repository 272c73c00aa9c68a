// Art of the pages' controls: switches, speaker and lock states, room sizes,
// voices and the effect pictures.
#include <QFont>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

#include "painters.h"

namespace oro::panel::art {

namespace {

QImage Blank(int w, int h) {
  QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

void SpeakerBody(QPainter& p, const QColor& colour) {
  QPainterPath body;
  body.moveTo(5, 12);
  body.lineTo(10, 12);
  body.lineTo(16, 6);
  body.lineTo(16, 26);
  body.lineTo(10, 20);
  body.lineTo(5, 20);
  body.closeSubpath();
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  p.drawPath(body);
}

}  // namespace

QImage Switch(bool on) {
  QImage image = Blank(60, 30);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(on ? kRed : QColor(0x3a, 0x3c, 0x3f));
  p.drawRoundedRect(QRectF(2, 4, 56, 22), 11, 11);
  p.setBrush(on ? QColor(Qt::white) : kGrey);
  p.drawEllipse(QRectF(on ? 36 : 4, 6, 18, 18));
  return image;
}

QImage Speaker(bool muted) {
  QImage image = Blank(32, 32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  SpeakerBody(p, muted ? kGrey : kLight);
  p.setBrush(Qt::NoBrush);
  if (muted) {
    p.setPen(QPen(kRed, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(20, 12), QPointF(28, 20));
    p.drawLine(QPointF(28, 12), QPointF(20, 20));
  } else {
    p.setPen(QPen(kLight, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(12, 10, 10, 12), -50 * 16, 100 * 16);
    p.drawArc(QRectF(10, 6, 18, 20), -50 * 16, 100 * 16);
  }
  return image;
}

QImage Lock(bool locked) {
  QImage image = Blank(32, 32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor colour = locked ? kRed : kGrey;
  p.setPen(QPen(colour, 2.4, Qt::SolidLine, Qt::RoundCap));
  p.setBrush(Qt::NoBrush);
  if (locked) {
    p.drawArc(QRectF(10, 5, 12, 14), 0, 180 * 16);
    p.drawLine(QPointF(10, 12), QPointF(10, 15));
    p.drawLine(QPointF(22, 12), QPointF(22, 15));
  } else {
    p.drawArc(QRectF(15, 3, 12, 14), 0, 180 * 16);
    p.drawLine(QPointF(27, 10), QPointF(27, 13));
  }
  p.setPen(Qt::NoPen);
  p.setBrush(colour);
  p.drawRoundedRect(QRectF(7, 15, 18, 13), 2, 2);
  p.setBrush(QColor(0x14, 0x15, 0x16));
  p.drawEllipse(QPointF(16, 21), 2, 2);
  return image;
}

// A room in perspective whose walls grow with the size step (1 to 3).
QImage Room(int size_step) {
  QImage image = Blank(120, 90);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.fillRect(image.rect(), kGround);
  const qreal inset = 34 - size_step * 9;
  const QRectF back(inset + 14, inset * 0.6 + 12, 120 - 2 * inset - 28, 90 - 1.2 * inset - 30);
  p.setPen(QPen(kGrey, 1.5));
  p.drawRect(back);
  p.drawLine(QPointF(4, 4), back.topLeft());
  p.drawLine(QPointF(116, 4), back.topRight());
  p.drawLine(QPointF(4, 86), back.bottomLeft());
  p.drawLine(QPointF(116, 86), back.bottomRight());
  p.setPen(Qt::NoPen);
  p.setBrush(kRed);
  p.drawEllipse(back.center(), 5, 5);
  p.setBrush(Qt::NoBrush);
  p.setPen(QPen(kLight, 1.2));
  for (int ring = 1; ring <= size_step; ++ring) p.drawEllipse(back.center(), 5 + ring * 7.0, 5 + ring * 5.0);
  return image;
}

QImage SpatialPicture() {
  QImage image = Blank(360, 200);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const QPointF centre(180, 110);
  for (int ring = 5; ring >= 1; --ring) {
    QColor colour = kRed;
    colour.setAlpha(40 + ring * 20);
    p.setPen(QPen(ring == 1 ? kLight : colour, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(centre, ring * 34.0, ring * 17.0);
  }
  p.setPen(Qt::NoPen);
  p.setBrush(kLight);
  p.drawEllipse(QPointF(180, 88), 16, 16);
  p.drawRoundedRect(QRectF(158, 106, 44, 30), 12, 12);
  return image;
}

QImage NoiseReduction(bool on) {
  QImage image = Blank(300, 160);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.fillRect(image.rect(), kGround);
  // Noisy on the left, smooth on the right when the reduction is on.
  QPainterPath wave;
  wave.moveTo(10, 80);
  for (int x = 10; x <= 290; x += 2) {
    const double t = x / 18.0;
    const double noise = (x < 150 || !on) ? 14.0 * std::sin(x * 1.7) * std::cos(x * 0.37) : 0.0;
    wave.lineTo(x, 80 + 28 * std::sin(t) + noise);
  }
  p.setPen(QPen(on ? kRed : kDim, 2.2));
  p.drawPath(wave);
  p.setPen(QPen(on ? kLight : kDim, 1.2, Qt::DashLine));
  p.drawLine(QPointF(150, 16), QPointF(150, 144));
  return image;
}

// 1 monster, 2 cartoon, 3 man, 4 woman.
QImage VoiceIcon(int voice) {
  QImage image = Blank(80, 80);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(kLight, 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Qt::NoBrush);
  switch (voice) {
    case 1: {  // horned head with teeth
      p.drawEllipse(QRectF(18, 22, 44, 42));
      p.drawLine(QPointF(24, 28), QPointF(16, 10));
      p.drawLine(QPointF(56, 28), QPointF(64, 10));
      p.setPen(QPen(kRed, 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
      p.drawPolyline(QPolygonF({{28, 50}, {32, 56}, {36, 50}, {40, 56}, {44, 50}, {48, 56}, {52, 50}}));
      p.setBrush(kRed);
      p.drawEllipse(QPointF(32, 38), 3, 3);
      p.drawEllipse(QPointF(48, 38), 3, 3);
      break;
    }
    case 2: {  // round head with big ears
      p.drawEllipse(QRectF(22, 26, 36, 36));
      p.drawEllipse(QRectF(10, 12, 20, 20));
      p.drawEllipse(QRectF(50, 12, 20, 20));
      p.setBrush(kRed);
      p.drawEllipse(QPointF(34, 40), 2.5, 2.5);
      p.drawEllipse(QPointF(46, 40), 2.5, 2.5);
      p.setBrush(Qt::NoBrush);
      p.drawArc(QRectF(32, 44, 16, 10), 200 * 16, 140 * 16);
      break;
    }
    case 3: {  // short hair, shoulders
      p.drawEllipse(QRectF(28, 14, 24, 28));
      p.drawLine(QPointF(28, 24), QPointF(52, 24));
      p.drawArc(QRectF(14, 48, 52, 40), 0, 180 * 16);
      break;
    }
    default: {  // long hair, shoulders
      p.drawEllipse(QRectF(28, 14, 24, 28));
      p.drawArc(QRectF(22, 10, 36, 44), 0, 180 * 16);
      p.drawLine(QPointF(22, 32), QPointF(24, 50));
      p.drawLine(QPointF(58, 32), QPointF(56, 50));
      p.drawArc(QRectF(14, 48, 52, 40), 0, 180 * 16);
      p.setPen(QPen(kRed, 2.4));
      p.drawPoint(QPointF(40, 36));
      break;
    }
  }
  return image;
}

}  // namespace oro::panel::art
