// A measured drag of the 1 kHz equalizer slider inside the running program,
// for the slider benchmark, paced at 200 steps a second: each step is timed from the slider's value change
// until the shared section, read through a mapping of its own as the
// processing object reads it, holds the new coefficients. Prints one line
// "drag steps=N p50_us=.. p99_us=.. max_us=.." on standard output.
#pragma once

#include "oro/platform/named_objects.h"

namespace oro::panel {

class demo;

// 0 when every step reached the section, 1 otherwise (with the reason on
// standard error).
int RunDragProbe(demo& window, platform::NamedObjects& objects, int steps);

}  // namespace oro::panel
