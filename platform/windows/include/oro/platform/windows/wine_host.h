// Whether the program runs under Wine, whose stand-ins for some system
// services are incomplete: tests name it when they skip what it cannot show.
#pragma once

#include <string>

namespace oro::platform::windows_host {

// Wine's version ("8.0"), or empty on Windows itself.
std::string WineVersion();

}  // namespace oro::platform::windows_host
