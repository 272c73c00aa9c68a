// Opening the store file: folder and file creation, the read-only fallback,
// checks of what is on disk, connection settings and the schema. Nothing
// here ever deletes, truncates or rewrites a file it does not recognise.
#pragma once

#include <string>

#include "oro/platform/sqlite/sqlite_registry_store.h"
#include "sqlite_db.h"

namespace oro::platform::sqlite {

// Bumped whenever the table layout changes; files with a higher number were
// written by a newer build and are left alone.
constexpr int kSchemaVersion = 1;
// "OROS": marks a database file as a settings store.
constexpr int kApplicationId = 0x4F524F53;

struct OpenOutcome {
  ErrorCode code = err::kSuccess;
  std::string detail;
};

// Whether the process's effective user owns the store file: a store in a
// user's own folder is administered by that user.
bool ProcessOwnsStore(const std::string& path);

OpenOutcome OpenStoreFile(Database& db, const std::string& path, const StoreOptions& options);

}  // namespace oro::platform::sqlite
