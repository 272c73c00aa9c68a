// The panel's message boxes. On the offscreen platform nobody can answer a
// box, so the text goes to standard error only and nothing blocks.
#pragma once

#include <QString>

class QWidget;

namespace oro::panel {

void ShowMessage(QWidget* parent, const QString& caption, const QString& text);

}  // namespace oro::panel
