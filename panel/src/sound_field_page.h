// Sound-field page: eight speaker trims and the turning sound field.
#pragma once

#include "panel_page.h"
#include "ui_sound_field_page.h"

namespace oro::panel {

class SoundFieldPage : public PanelPage {
  Q_OBJECT

 public:
  explicit SoundFieldPage(PanelContext& context, QWidget* parent = nullptr);

  void SetUp() override;
  void ShowValues() override;
  void Retranslate() override;

 private:
  Ui::SoundFieldPage ui_;
};

}  // namespace oro::panel
