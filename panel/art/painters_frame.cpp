// The window's own art: icon, logo, title-strip buttons, dialog art.
#include <QFont>
#include <QPainter>
#include <QPainterPath>

#include "painters.h"

namespace oro::panel::art {

namespace {

QImage Blank(int w, int h) {
  QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

// A headset: a band over two ear cups, in a box of the given size.
void DrawHeadset(QPainter& p, const QRectF& box, const QColor& band, const QColor& cups) {
  const qreal w = box.width(), h = box.height();
  QPen pen(band, w * 0.09, Qt::SolidLine, Qt::RoundCap);
  p.setPen(pen);
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(box.left() + w * 0.14, box.top() + h * 0.1, w * 0.72, h * 0.8), 0 * 16, 180 * 16);
  p.setPen(Qt::NoPen);
  p.setBrush(cups);
  p.drawRoundedRect(QRectF(box.left() + w * 0.06, box.top() + h * 0.48, w * 0.22, h * 0.38), w * 0.06, w * 0.06);
  p.drawRoundedRect(QRectF(box.left() + w * 0.72, box.top() + h * 0.48, w * 0.22, h * 0.38), w * 0.06, w * 0.06);
}

}  // namespace

QImage AppIcon(int size) {
  QImage image = Blank(size, size);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(0x14, 0x15, 0x16));
  p.drawRoundedRect(QRectF(0, 0, size, size), size * 0.2, size * 0.2);
  DrawHeadset(p, QRectF(size * 0.16, size * 0.16, size * 0.68, size * 0.68), kLight, kRed);
  return image;
}

QImage Logo() {
  QImage image = Blank(220, 40);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  DrawHeadset(p, QRectF(2, 4, 32, 32), kLight, kRed);
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(20);
  font.setBold(true);
  p.setFont(font);
  p.setPen(kLight);
  p.drawText(QRectF(44, 0, 176, 40), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("OroSound"));
  const int drawn = p.fontMetrics().horizontalAdvance(QStringLiteral("OroSound"));
  font.setBold(false);
  p.setFont(font);
  p.setPen(kRed);
  p.drawText(QRectF(48 + drawn, 0, 176 - drawn, 40), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("Kit"));
  return image;
}

QImage TitleIcon(const QString& kind, bool hover) {
  QImage image = Blank(32, 32);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor colour = hover ? (kind == QLatin1String("close") ? kRed : QColor(Qt::white)) : kGrey;
  QPen pen(colour, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  p.setPen(pen);
  if (kind == QLatin1String("about")) {
    p.drawEllipse(QRectF(6, 6, 20, 20));
    p.drawLine(QPointF(16, 14), QPointF(16, 21));
    p.setBrush(colour);
    p.drawEllipse(QPointF(16, 10.5), 0.8, 0.8);
  } else if (kind == QLatin1String("setting")) {
    p.save();
    p.translate(16, 16);
    for (int i = 0; i < 8; ++i) {
      p.drawLine(QPointF(0, -8), QPointF(0, -11));
      p.rotate(45);
    }
    p.restore();
    p.drawEllipse(QPointF(16, 16), 7.5, 7.5);
    p.drawEllipse(QPointF(16, 16), 3, 3);
  } else if (kind == QLatin1String("min")) {
    p.drawLine(QPointF(9, 17), QPointF(23, 17));
  } else {
    p.drawLine(QPointF(10, 10), QPointF(22, 22));
    p.drawLine(QPointF(22, 10), QPointF(10, 22));
  }
  return image;
}

QImage DialogLogo() {
  QImage image = Blank(200, 100);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  DrawHeadset(p, QRectF(70, 4, 60, 60), kLight, kRed);
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(18);
  font.setBold(true);
  p.setFont(font);
  p.setPen(kLight);
  p.drawText(QRectF(0, 66, 200, 30), Qt::AlignCenter, QStringLiteral("OroSound Kit"));
  return image;
}

QImage DialogClose(bool hover) {
  QImage image = Blank(28, 28);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  if (hover) {
    p.setPen(Qt::NoPen);
    p.setBrush(kRed);
    p.drawEllipse(QRectF(1, 1, 26, 26));
  }
  p.setPen(QPen(hover ? QColor(Qt::white) : kGrey, 2, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(9, 9), QPointF(19, 19));
  p.drawLine(QPointF(19, 9), QPointF(9, 19));
  return image;
}

}  // namespace oro::panel::art
