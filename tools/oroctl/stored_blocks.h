// The persisted parameter blocks as the settings store holds them. The
// library falls back to defaults when the store cannot be read (the panel
// must still run); commands that show the blocks must tell a block that is
// not stored from a store that could not be read.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "oro/platform/registry_store.h"

namespace oro::tools {

enum class StoredBlock { kPresent, kAbsent, kUnreadable };

// kUnreadable comes with a message naming the store's error.
StoredBlock ReadStoredBlock(platform::RegistryStore& store, const wchar_t* value_name, std::vector<std::uint8_t>* bytes,
                            std::string* problem);

}  // namespace oro::tools
