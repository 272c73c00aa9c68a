// Registering and removing the audio service with the service manager, as
// "oro_raduri --install" and "--uninstall" do.
#pragma once

#include <chrono>
#include <string>

#include "oro/platform/clock.h"
#include "oro/platform/platform.h"

namespace oro::audio_service {

constexpr const wchar_t* kServiceName = L"OroSound_RadUri";

// Registers the running program as the service and starts it (a failed start
// leaves it registered). Returns the line to print: "Service installed.\n" or
// "Install failed: %d\n".
std::string Install(platform::ServiceManager& services, platform::ProcessTable& processes);

// Stops the service, waits until it has stopped, then removes it. Returns
// "Service uninstalled.\n" or "Uninstall failed: %d\n".
std::string Uninstall(platform::ServiceManager& services, platform::Clock& clock,
                      std::chrono::milliseconds stop_budget = std::chrono::seconds(30));

// The program path as one command-line word: quoted, so a folder with spaces
// cannot be read as the program plus arguments.
std::wstring QuotedPath(const std::wstring& path);

}  // namespace oro::audio_service
