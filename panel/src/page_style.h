// Style-sheet helpers every page uses to show a state: images chosen by a
// state, white or grey status labels, and the red border of a chosen row
// button.
#pragma once

#include <QString>

class QAbstractButton;
class QLabel;
class QWidget;

namespace oro::panel {

inline constexpr const char* kStatusOn = "color: #FFFFFF;";
inline constexpr const char* kStatusOff = "color: #444645;";
inline constexpr const char* kRowChosen = "border: 1px solid #ef0303;";
inline constexpr const char* kRowPlain = "border: none;";

// Sets `property` in the widget's style sheet to the resource url of on_path
// or off_path; any earlier setting of that property is replaced.
void SetStateImage(QWidget* widget, const QString& on_path, const QString& off_path, bool state,
                   const QString& property = QStringLiteral("background-image"));
void SetSwitchImage(QWidget* widget, bool on);
void SetMuteImage(QWidget* widget, bool muted);
void SetStatusColour(QLabel* label, bool on);

// Moves the red border of a row from `*chosen` to `button` and remembers it.
void HighlightRow(QAbstractButton* button, QAbstractButton** chosen);

}  // namespace oro::panel
