// One installation at a time across processes: the panel's set-up and the
// audio service's plug handling may both reach an endpoint at once, and a
// backup taken in the middle of the other's install would record the kit's
// own classes as the endpoint's previous effects.
#pragma once

#include <cstdint>
#include <memory>

#include "oro/platform/named_objects.h"

namespace oro::common::detail {

inline constexpr const wchar_t* kInstallMutexName = L"Global\\OroSoundKit.EffectInstallation";

// Waits up to timeout_ms for the named mutex; throws RegistryException when
// it cannot be had. Null objects: nothing to hold.
std::unique_ptr<platform::NamedMutex> HoldInstallLock(platform::NamedObjects* objects, std::uint32_t timeout_ms);

}  // namespace oro::common::detail
