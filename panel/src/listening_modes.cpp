#include "listening_modes.h"

#include <QLabel>
#include <QPushButton>

#include "equalizer_page.h"
#include "page_style.h"
#include "sound_field_page.h"

namespace oro::panel {
namespace {

using common::ListeningMode;

struct ModeWidgets {
  ListeningMode mode;
  const char* button;
  const char* status;
};
constexpr ModeWidgets kModes[] = {
    {ListeningMode::kVirtual71, "pushButton_32", "label_148"},
    {ListeningMode::kSoundField, "pushButton_14", "label_152"},
    {ListeningMode::kSpatial, "pushButton_33", "label_150"},
    {ListeningMode::kEqualizer, "pushButton_6", "label_146"},
};

void ShowMode(PanelContext& context, const ModeWidgets& m) {
  const bool on = context.blocks.Block2().Mode(m.mode);
  SetSwitchImage(context.Find<QPushButton>(m.button), on);
  SetStatusColour(context.Find<QLabel>(m.status), on);
}

}  // namespace

void ShowListeningModes(PanelContext& context) {
  for (const ModeWidgets& m : kModes) ShowMode(context, m);
}

void ToggleListeningMode(PanelContext& context, ListeningMode mode) {
  common::PropertyBlock2& b2 = context.blocks.Block2();
  if (mode == ListeningMode::kSoundField && !b2.Mode(mode) && b2.FieldMode() == common::SoundFieldMode::kNone) {
    b2.SetFieldMode(common::SoundFieldMode::kInitial);
  }
  b2.SetMode(mode, !b2.Mode(mode));  // switching one on clears the other three
  ShowListeningModes(context);

  auto* window = context.window;
  if (auto* eq = window ? window->findChild<EqualizerPage*>() : nullptr) eq->FollowSwitch();
  if (auto* field = window ? window->findChild<SoundFieldPage*>() : nullptr) {
    field->FollowSwitch();
    field->FollowRotationMode();
  }
  context.blocks.SendBlock2();
}

}  // namespace oro::panel
