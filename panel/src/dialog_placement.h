// Dialogs open centred over the main window's size, each half rounded down.
#pragma once

#include <QPoint>
#include <QSize>

namespace oro::panel {

inline QPoint DialogPosition(const QSize& window, const QSize& dialog) {
  return {window.width() / 2 - dialog.width() / 2, window.height() / 2 - dialog.height() / 2};
}

}  // namespace oro::panel
