// The program's first steps, before any window: elevation, the single
// instance and the device check. Each may end the program with an exit code.
#pragma once

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

#include "device_api.h"
#include "panel_settings.h"

namespace oro::panel {

inline constexpr const wchar_t* kInstanceMutexName = L"Global\\{45A8C662-65D7-4679-801E-604A2DF76732}";
// How long a new instance gives the running one to take its exit command.
constexpr int kHandOverMs = 1000;

struct StartupHooks {
  std::function<void(int milliseconds)> sleep;
  std::function<void(const QString& caption, const QString& text)> message;
};

// Runs the checks in order; an exit code when the program should end here,
// nothing when it should go on to its window.
std::optional<int> RunEntryChecks(DeviceApi& api, PanelSettings& settings, std::uint32_t locale_id,
                                  const StartupHooks& hooks);

}  // namespace oro::panel
