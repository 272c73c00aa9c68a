#include "language.h"

#include <QCoreApplication>

namespace oro::panel {

Language::~Language() {
  if (installed_) QCoreApplication::removeTranslator(&translator_);
}

QString Language::FileFor(std::uint8_t flag) {
  if (flag == 0) return QStringLiteral("/translations/ts_zh.qm");
  if (flag < 128) return QStringLiteral("/translations/ts_en.qm");
  return {};
}

bool Language::Apply(std::uint8_t flag) {
  const QString file = FileFor(flag);
  if (file.isEmpty()) return false;
  // A failed load leaves the translator empty; keep the last translation
  // installed rather than showing a mix.
  QTranslator next;
  if (!next.load(app_folder_ + file)) return false;
  if (installed_) QCoreApplication::removeTranslator(&translator_);
  if (!translator_.load(app_folder_ + file)) return false;
  installed_ = QCoreApplication::installTranslator(&translator_);
  return installed_;
}

}  // namespace oro::panel
