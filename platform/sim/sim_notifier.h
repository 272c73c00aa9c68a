// Notifications of the simulated audio system: the shared snapshot notifier
// polls the store's change stamp (a cheap query) and, when something was
// committed by any process, reads the machine.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

#include "oro/platform/endpoint_notifier.h"
#include "oro/platform/registry_store.h"

namespace oro::platform::sim {

using ChangeStampFn = std::function<ErrorCode(std::uint64_t*)>;

inline constexpr std::chrono::milliseconds kNotifyPollInterval{20};

// Without a change stamp every poll reads the machine.
std::shared_ptr<EndpointNotifier> MakeSimNotifier(std::shared_ptr<RegistryStore> store, ChangeStampFn stamp);

// The machine as the notifier compares it.
ErrorCode ReadMachineState(RegistryStore& store, AudioSnapshot* out);

}  // namespace oro::platform::sim
