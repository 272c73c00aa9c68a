#include "panel_fonts.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>

inline void InitArtResources() { Q_INIT_RESOURCE(panel_art); }

namespace oro::panel {

void InitPanelResources() { InitArtResources(); }

void ApplyPanelFont() {
  const QString family = QString::fromLatin1(kPanelFontFamily);
  const QStringList fallbacks = {QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Sans SC"),
                                 QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("DejaVu Sans")};
  QStringList present;
  const QStringList installed = QFontDatabase().families();
  for (const QString& candidate : fallbacks) {
    if (installed.contains(candidate, Qt::CaseInsensitive)) present << candidate;
  }
  if (!installed.contains(family, Qt::CaseInsensitive)) QFont::insertSubstitutions(family, present);
  QFont font(family);
  font.setPixelSize(13);
  QApplication::setFont(font);
}

}  // namespace oro::panel
