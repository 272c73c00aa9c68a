// Typed access to single values of the settings store for the simulated
// machine: each call opens the key it needs and reports a Win32 code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "oro/platform/registry_store.h"

namespace oro::platform::sim {

// err::kFileNotFound when the key or the value is missing; a value of the
// wrong type or size gives err::kRegistryCorrupt.
ErrorCode ReadDword(RegistryStore& store, const std::wstring& key, const std::wstring& name, std::uint32_t* out);
ErrorCode ReadString(RegistryStore& store, const std::wstring& key, const std::wstring& name, std::wstring* out);
ErrorCode ReadQword(RegistryStore& store, const std::wstring& key, const std::wstring& name, std::uint64_t* out);
ErrorCode ReadMultiString(RegistryStore& store, const std::wstring& key, const std::wstring& name,
                          std::vector<std::wstring>* out);
ErrorCode ReadBinary(RegistryStore& store, const std::wstring& key, const std::wstring& name,
                     std::vector<std::uint8_t>* out);

// The key is created when missing.
ErrorCode WriteDword(RegistryStore& store, const std::wstring& key, const std::wstring& name, std::uint32_t value);
ErrorCode WriteQword(RegistryStore& store, const std::wstring& key, const std::wstring& name, std::uint64_t value);
ErrorCode WriteString(RegistryStore& store, const std::wstring& key, const std::wstring& name,
                      const std::wstring& value);
ErrorCode WriteMultiString(RegistryStore& store, const std::wstring& key, const std::wstring& name,
                           const std::vector<std::wstring>& values);
ErrorCode WriteBinary(RegistryStore& store, const std::wstring& key, const std::wstring& name,
                      const std::vector<std::uint8_t>& value);
// A missing key or value counts as deleted.
ErrorCode DeleteValue(RegistryStore& store, const std::wstring& key, const std::wstring& name);

ErrorCode EnsureKey(RegistryStore& store, const std::wstring& key);
bool KeyExists(RegistryStore& store, const std::wstring& key);
// Names of the sub keys in the store's order; a missing key has none.
ErrorCode ListSubKeys(RegistryStore& store, const std::wstring& key, std::vector<std::wstring>* out);
// Deletes the key with everything below it; a missing key counts as deleted.
ErrorCode DeleteTree(RegistryStore& store, const std::wstring& key);

}  // namespace oro::platform::sim
