// The adapters the library works with: chosen once per process from the
// environment on first use, or handed in by the program that embeds the
// library (tests hand in their own state folder or fakes).
#pragma once

#include "oro/platform/platform.h"

namespace oro::device_api {

platform::Platform& LibraryPlatform();
void SetLibraryPlatform(platform::Platform platform);

}  // namespace oro::device_api
