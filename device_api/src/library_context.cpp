#include "oro/device_api/library_context.h"

#include <memory>
#include <mutex>
#include <stdexcept>

#include "oro/platform/make_platform.h"
#include "oro/platform/text.h"

namespace oro::device_api {
namespace {

std::mutex g_mutex;
std::unique_ptr<platform::Platform> g_platform;

}  // namespace

platform::Platform& LibraryPlatform() {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (!g_platform) {
    try {
      g_platform = std::make_unique<platform::Platform>(platform::MakePlatformFromEnvironment());
    } catch (const std::exception& e) {
      // A bad ORO_PLATFORM must not take the caller down: fall back to the host
      // profile and say why once.
      auto host = platform::MakePlatform(platform::Profile::kHost, platform::ResolveStatePaths(nullptr));
      if (host.debug) host.debug->Write(L"[quenta]" + platform::FromUtf8(e.what()));
      g_platform = std::make_unique<platform::Platform>(std::move(host));
    }
  }
  return *g_platform;
}

void SetLibraryPlatform(platform::Platform platform) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_platform = std::make_unique<platform::Platform>(std::move(platform));
}

}  // namespace oro::device_api
