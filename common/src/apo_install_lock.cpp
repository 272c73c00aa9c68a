#include "apo_install_lock.h"

#include <chrono>
#include <thread>

#include "oro/common/error_text.h"
#include "oro/common/registry_access.h"

namespace oro::common::detail {

std::unique_ptr<platform::NamedMutex> HoldInstallLock(platform::NamedObjects* objects, std::uint32_t timeout_ms) {
  if (!objects) return nullptr;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  for (;;) {
    std::unique_ptr<platform::NamedMutex> held;
    bool taken_elsewhere = false;
    const platform::ErrorCode rc = objects->CreateMutex(kInstallMutexName, nullptr, &held, &taken_elsewhere);
    if (rc != platform::err::kSuccess && rc != platform::err::kBusy) {
      throw RegistryException(L"Cannot serialise the effect installation: " + ErrorText(rc));
    }
    if (rc == platform::err::kSuccess && !taken_elsewhere) return held;
    held.reset();
    if (std::chrono::steady_clock::now() >= deadline) {
      throw RegistryException(L"Another effect installation is still running");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

}  // namespace oro::common::detail
