#include "oro/audio_service/service_setup.h"

#include <memory>

namespace oro::audio_service {
namespace {

std::string Failed(const char* what, platform::ErrorCode code) {
  return std::string(what) + " failed: " + std::to_string(code) + "\n";
}

}  // namespace

std::wstring QuotedPath(const std::wstring& path) { return L"\"" + path + L"\""; }

std::string Install(platform::ServiceManager& services, platform::ProcessTable& processes) {
  if (platform::ErrorCode rc = services.Connect()) return Failed("Install", rc);
  std::wstring self;
  if (platform::ErrorCode rc = processes.OwnExecutablePath(&self)) return Failed("Install", rc);
  // A path that cannot be quoted safely would register a different command line.
  if (self.find(L'"') != std::wstring::npos) return Failed("Install", platform::err::kInvalidName);
  platform::ServiceConfig config;
  config.name = kServiceName;
  config.display_name = kServiceName;
  config.binary_path = QuotedPath(self);
  if (platform::ErrorCode rc = services.Create(config)) return Failed("Install", rc);
  std::unique_ptr<platform::Service> service;
  if (services.Open(kServiceName, &service) == platform::err::kSuccess) service->Start();
  return "Service installed.\n";
}

std::string Uninstall(platform::ServiceManager& services, platform::Clock& clock,
                      std::chrono::milliseconds stop_budget) {
  if (platform::ErrorCode rc = services.Connect()) return Failed("Uninstall", rc);
  std::unique_ptr<platform::Service> service;
  if (platform::ErrorCode rc = services.Open(kServiceName, &service)) return Failed("Uninstall", rc);
  // Removing a service that still runs would leave its process behind with no
  // manager entry; a stop refused while it starts is asked again.
  const auto deadline = clock.Now() + stop_budget;
  for (;;) {
    std::uint32_t state = 0;
    if (platform::ErrorCode rc = service->GetState(&state)) return Failed("Uninstall", rc);
    if (state == platform::svcstate::kStopped) break;
    if (state != platform::svcstate::kStopPending) {
      platform::ErrorCode rc = service->Stop(&state);
      if (rc == platform::err::kSuccess && state == platform::svcstate::kStopped) break;
    }
    if (clock.Now() >= deadline) {
      return Failed("Uninstall", platform::err::kServiceRequestTimeout);
    }
    clock.Sleep(std::chrono::milliseconds(20));
  }
  if (platform::ErrorCode rc = service->Delete()) return Failed("Uninstall", rc);
  return "Service uninstalled.\n";
}

}  // namespace oro::audio_service
