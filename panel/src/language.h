// The translation the language flag selects: "translations/ts_zh.qm" for 0,
// "translations/ts_en.qm" for 1 to 127, none for 128 to 255. One translator,
// owned here, is loaded again on every switch.
#pragma once

#include <QString>
#include <QTranslator>
#include <cstdint>

namespace oro::panel {

class Language {
 public:
  explicit Language(QString app_folder) : app_folder_(std::move(app_folder)) {}
  ~Language();
  Language(const Language&) = delete;
  Language& operator=(const Language&) = delete;

  // Loads and installs the file for the flag; false when the flag names no
  // file or the file did not load (the texts then stay as they are).
  bool Apply(std::uint8_t flag);
  static QString FileFor(std::uint8_t flag);

 private:
  QString app_folder_;
  QTranslator translator_;
  bool installed_ = false;
};

}  // namespace oro::panel
