// Full key paths: the root's name, a backslash and the sub key
// ("HKEY_LOCAL_MACHINE\\SOFTWARE\\OroSoundKit").
#pragma once

#include <string>

#include "oro/platform/registry_store.h"

namespace oro::common {

struct KeyPath {
  platform::RootKey root = platform::RootKey::kLocalMachine;
  std::wstring root_name;  // as written in the path
  std::wstring sub_key;    // everything after the first backslash

  // The path with the root's canonical (upper-case) name.
  std::wstring Canonical() const;
};

// The root's name as the registry spells it ("HKEY_LOCAL_MACHINE").
const wchar_t* RootName(platform::RootKey root);

// Throws RegistryException "Key K has invalid format" for an empty path or one
// without a backslash and "Unknown root key R" for any root name but the five
// full names (compared in upper case; abbreviations are not accepted).
KeyPath ParseKeyPath(const std::wstring& key);

}  // namespace oro::common
