#include "panel_startup.h"

namespace oro::panel {

std::optional<int> RunEntryChecks(DeviceApi& api, PanelSettings& settings, std::uint32_t locale_id,
                                  const StartupHooks& hooks) {
  if (api.IsRunningAsAdmin() == 0) return api.RestartAsAdmin() != 0 ? 1 : -1;

  // A running panel is asked to exit and this one takes its place.
  if (api.IsAlreadyRun(kInstanceMutexName) == 1) {
    settings.SetExitCmd(1);
    hooks.sleep(kHandOverMs);
  }
  // A request still standing now was not meant for this panel: either it
  // predates this start (left by the service when no panel ran) or the old
  // instance does not follow it. Followed later, it would end the new panel.
  if (settings.exitCmd() != 0) settings.SetExitCmd(0);

  if (api.getDeviceCount() < 1) {
    hooks.message(QString::fromUtf8("温馨提示"), locale_id == kChineseLocaleId
                                                     ? QString::fromUtf8("  找不到设备")
                                                     : QStringLiteral("Can't connect to device"));
    if (settings.exitCmd() != 0) settings.SetExitCmd(0);
    return 0;
  }
  return std::nullopt;
}

}  // namespace oro::panel
