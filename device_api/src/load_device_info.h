// Building the device record from defaults, the persisted blocks and the
// endpoints (used by getDeviceInfo and by init), and keeping the persisted
// copies up to date.
#pragma once

#include <string>

#include "oro/common/property_blocks.h"

namespace oro::device_api {

// Fills `out` (when given) with a complete record: defaults, then the
// persisted blocks, then the current volumes and mutes, and the equalizer
// recomputed from block 3. Persisted blocks that are missing are written
// with their defaults. Returns false when the store could not be read or
// written; the record is complete either way.
bool LoadDeviceInfo(common::DeviceInfo* out);

// Writes one block under its value name; throws RegistryException.
void PersistBlock(const wchar_t* value_name, const void* data, std::size_t size);

// One "[quenta]" line on the library's debug output.
void DebugLine(const std::wstring& text);

}  // namespace oro::device_api
