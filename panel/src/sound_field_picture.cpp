#include "sound_field_picture.h"

#include <QFont>
#include <QPainter>
#include <cmath>
#include <cstring>

namespace oro::panel {

float TurnAngle(float angle, float step) {
  float next = std::fmod(angle + step, 360.0f);
  if (next < 0) next += 360.0f;
  return next;
}

QImage DrawSoundField(const QImage& circle, const QImage& speaker, float angle_degrees) {
  if (circle.isNull() || speaker.isNull()) return QImage();
  QImage out = circle.convertToFormat(QImage::Format_ARGB32);
  const QImage mark = speaker.convertToFormat(QImage::Format_ARGB32);
  const float cx = out.width() / 2.0f;
  const float cy = out.height() / 2.0f;
  const int mx = mark.width() / 2;
  const int my = mark.height() / 2;

  for (const SpeakerPlace& place : kSpeakerPlaces) {
    const float t = (angle_degrees + place.degrees) * 0.017453292f;
    const float c = std::cos(t);
    const float s = std::sin(t);
    for (int py = 0; py < mark.height(); ++py) {
      const auto* row = reinterpret_cast<const QRgb*>(mark.constScanLine(py));
      for (int px = 0; px < mark.width(); ++px) {
        if (qAlpha(row[px]) == 0) continue;
        const float dx = static_cast<float>(px - mx);
        const float dy = static_cast<float>(my - py);  // counted upwards
        const int x = static_cast<int>(cx + kSpeakerRadius * c + dx * c - dy * s);
        const int y = static_cast<int>(cy - kSpeakerRadius * s - (dy * c + dx * s));
        if (x < 0 || y < 0 || x >= out.width() || y >= out.height()) continue;
        out.setPixel(x, y, row[px]);
      }
    }
  }

  QPainter painter(&out);
  painter.setPen(Qt::white);
  QFont font = painter.font();
  font.setPointSize(9);
  font.setBold(true);
  painter.setFont(font);
  for (const SpeakerPlace& place : kSpeakerPlaces) {
    const float t = (angle_degrees + place.degrees) * 0.017453292f;
    const int h = static_cast<int>(9 * std::strlen(place.name)) / 2;
    painter.drawText(static_cast<int>(cx + kSpeakerRadius * std::cos(t) - h),
                     static_cast<int>(cy - kSpeakerRadius * std::sin(t) + h), QString::fromLatin1(place.name));
  }
  return out;
}

}  // namespace oro::panel
