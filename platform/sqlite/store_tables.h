// Every SQL statement on the store's tables, behind small typed functions.
// They run inside the caller's transaction and throw StoreFailure.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "oro/platform/registry_store.h"
#include "sqlite_db.h"

namespace oro::platform::sqlite {

// Creates the tables and the five root keys in an empty file.
void CreateSchema(Database& db);

std::optional<std::int64_t> FindChild(Database& db, std::int64_t parent, const std::wstring& name);
bool KeyExists(Database& db, std::int64_t id);
// A new key under `parent` with the given security; returns its id.
std::int64_t InsertKey(Database& db, std::int64_t parent, const std::wstring& name, const KeySecurity& security);
void DeleteKeyRow(Database& db, std::int64_t id);

KeySecurity LoadSecurity(Database& db, std::int64_t id);
void SaveOwner(Database& db, std::int64_t id, const std::wstring& owner);
void SaveEntries(Database& db, std::int64_t id, const std::vector<AccessEntry>& entries);

std::uint32_t CountSubKeys(Database& db, std::int64_t id);
std::uint32_t CountValues(Database& db, std::int64_t id);
// Name of the index-th sub key / value in folded-name order.
std::optional<std::wstring> SubKeyAt(Database& db, std::int64_t id, std::uint32_t index);
bool ValueAt(Database& db, std::int64_t id, std::uint32_t index, std::wstring* name, RegValue* value);

bool ReadValue(Database& db, std::int64_t id, const std::wstring& name, RegValue* value);
// Keeps the case of an existing value's name, as the registry does.
void WriteValue(Database& db, std::int64_t id, const std::wstring& name, std::uint32_t type, const std::uint8_t* data,
                std::size_t size);
// false when there was no such value.
bool RemoveValue(Database& db, std::int64_t id, const std::wstring& name);

}  // namespace oro::platform::sqlite
