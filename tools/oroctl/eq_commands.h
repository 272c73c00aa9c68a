// The parts of "oroctl eq" that work on curves rather than single gains.
#pragma once

#include "command.h"

namespace oro::tools {

// eq import FILE.csv [--name NAME] [--apply]
int RunEqImport(const Args& args);
// eq response [--json] [--points N]
int RunEqResponse(const Args& args);
// eq curves
int RunEqCurves(const Args& args);

}  // namespace oro::tools
