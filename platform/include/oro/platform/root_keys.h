// The five root keys by name: one table for the store, the registry module
// and the tools.
#pragma once

#include <string>

#include "oro/platform/registry_store.h"

namespace oro::platform {

// "HKEY_LOCAL_MACHINE" and the like; empty for a value outside the enum.
const wchar_t* RootKeyName(RootKey root);
// The registry tool's short name ("HKLM"); empty for a value outside the enum.
const wchar_t* RootKeyAbbreviation(RootKey root);

// The root a full name (any case) names; false for anything else.
bool RootKeyFromName(const std::wstring& name, RootKey* root);
// The root a full or short name (any case) names; false for anything else.
bool RootKeyFromNameOrAbbreviation(const std::wstring& name, RootKey* root);

}  // namespace oro::platform
