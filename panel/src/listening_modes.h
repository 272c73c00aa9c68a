// The four listening modes of block 2 (virtual 7.1, sound field, spatial
// sound, equalizer) are exclusive: switching one on switches the other three
// off in the same send. Every mode switch of every page goes through here.
#pragma once

#include "oro/common/property_blocks.h"
#include "panel_context.h"

namespace oro::panel {

// Toggles `mode`, clears the others when it came on, updates every switch
// image, status colour, the equalizer sliders' and trims' mouse handling and
// the sound-field rotation, then sends block 2 once.
void ToggleListeningMode(PanelContext& context, common::ListeningMode mode);

// Switch images and status colours of all four modes from block 2.
void ShowListeningModes(PanelContext& context);

}  // namespace oro::panel
