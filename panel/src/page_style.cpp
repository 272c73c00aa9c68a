#include "page_style.h"

#include <QAbstractButton>
#include <QLabel>
#include <QRegularExpression>

namespace oro::panel {

void SetStateImage(QWidget* widget, const QString& on_path, const QString& off_path, bool state,
                   const QString& property) {
  if (widget == nullptr) return;
  const QString setting = property + QStringLiteral(": url(:") + (state ? on_path : off_path) + QStringLiteral(");");
  QString sheet = widget->styleSheet();
  // Only a declaration that starts the sheet or follows a separator counts,
  // so "image" never matches inside "background-image".
  const QRegularExpression earlier(QStringLiteral("(^|[;{\\s])") + QRegularExpression::escape(property) +
                                   QStringLiteral("\\s*:[^;]*;?"));
  const QRegularExpressionMatch match = earlier.match(sheet);
  if (match.hasMatch()) {
    const int start = match.capturedStart() + match.captured(1).size();
    sheet.replace(start, match.capturedEnd() - start, setting);
  } else {
    if (!sheet.isEmpty() && !sheet.trimmed().endsWith(QLatin1Char(';'))) sheet += QLatin1Char(';');
    sheet += setting;
  }
  widget->setStyleSheet(sheet);
}

void SetSwitchImage(QWidget* widget, bool on) {
  SetStateImage(widget, QStringLiteral("/right/png/btn_open.png"), QStringLiteral("/right/png/btn_close.png"), on);
}

void SetMuteImage(QWidget* widget, bool muted) {
  SetStateImage(widget, QStringLiteral("/right/png/silent-volumeHigh.png"), QStringLiteral("/left/png/y1.png"), muted);
}

void SetStatusColour(QLabel* label, bool on) {
  if (label == nullptr) return;
  QString sheet = label->styleSheet();
  const QString from = QString::fromLatin1(on ? kStatusOff : kStatusOn);
  const QString to = QString::fromLatin1(on ? kStatusOn : kStatusOff);
  if (sheet.contains(from)) {
    sheet.replace(from, to);
  } else if (!sheet.contains(to)) {
    sheet += to;
  }
  label->setStyleSheet(sheet);
}

void HighlightRow(QAbstractButton* button, QAbstractButton** chosen) {
  if (button == nullptr || chosen == nullptr) return;
  if (*chosen != nullptr && *chosen != button) {
    QString previous = (*chosen)->styleSheet();
    previous.replace(QString::fromLatin1(kRowChosen), QString::fromLatin1(kRowPlain));
    (*chosen)->setStyleSheet(previous);
  }
  QString sheet = button->styleSheet();
  if (sheet.contains(QString::fromLatin1(kRowPlain))) {
    sheet.replace(QString::fromLatin1(kRowPlain), QString::fromLatin1(kRowChosen));
  } else if (!sheet.contains(QString::fromLatin1(kRowChosen))) {
    sheet += QString::fromLatin1(kRowChosen);
  }
  button->setStyleSheet(sheet);
  *chosen = button;
}

}  // namespace oro::panel
