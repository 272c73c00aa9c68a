// Pictures of the panel as a user sees it: each page the menu shows and each
// dialog, in Chinese and in English, written as PNG files into a folder.
#pragma once

#include <QString>
#include <QStringList>

namespace oro::panel {

class demo;

// Returns the files written; a file that could not be written is reported
// on standard error and left out.
QStringList SaveScreenshots(demo& window, const QString& folder);

}  // namespace oro::panel
