#include "store_open.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <exception>
#include <thread>

#include "oro/platform/errno_codes.h"
#include "store_tables.h"
#include "wal_checkpointer.h"

namespace oro::platform::sqlite {
namespace {

constexpr const char* kApplicationIdQuery = "PRAGMA application_id";
constexpr const char* kUserVersionQuery = "PRAGMA user_version";
constexpr const char* kQuickCheck = "PRAGMA quick_check(1)";
constexpr const char* kJournalWal = "PRAGMA journal_mode=WAL";
constexpr const char* kSynchronousNormal = "PRAGMA synchronous=NORMAL";
constexpr const char* kObjectCount = "SELECT count(*) FROM sqlite_master";

OpenOutcome Fail(ErrorCode code, std::string detail) { return {code, std::move(detail)}; }

OpenOutcome FailErrno(int e, const std::string& what) {
  return Fail(ErrorFromErrno(e), what + ": " + std::strerror(e));
}

// Creates the folder and its missing parents. The system state folder is
// readable by everybody (services and users read the store); a user's own
// is private.
OpenOutcome MakeFolders(const std::string& folder) {
  if (folder.empty()) return {};
  const mode_t mode = geteuid() == 0 ? 0755 : 0700;
  for (std::size_t pos = 1; pos <= folder.size(); ++pos) {
    if (pos != folder.size() && folder[pos] != '/') continue;
    const std::string part = folder.substr(0, pos);
    if (mkdir(part.c_str(), mode) != 0 && errno != EEXIST) {
      return FailErrno(errno, "cannot create the store folder " + part);
    }
  }
  struct stat st {};
  if (stat(folder.c_str(), &st) != 0) return FailErrno(errno, "cannot reach the store folder " + folder);
  if (!S_ISDIR(st.st_mode)) return FailErrno(ENOTDIR, "cannot create the store folder " + folder);
  return {};
}

std::string FolderOf(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// The store holds every value of every program in the clear, so the file and
// its journals are owner-only whatever the umask; in a folder with the
// set-group-id bit (a machine-wide store shared with the kit's group) the
// folder's group may read them too. A new file is made here with that mode,
// and SQLite gives the -wal and -shm files the file's mode. An older file of
// ours that is open to more is narrowed.
constexpr const char* kJournalSuffixes[] = {"", "-wal", "-shm", "-journal"};

mode_t StoreMode(const std::string& folder) {
  struct stat st {};
  const bool shared = stat(folder.c_str(), &st) == 0 && (st.st_mode & S_ISGID) != 0;
  return shared ? 0640 : 0600;
}

OpenOutcome CreateRestricted(const std::string& path, mode_t mode) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
  if (fd < 0) {
    if (errno == EEXIST) return {};  // another process made it first
    return FailErrno(errno, "cannot create settings store " + path);
  }
  const bool ok = fchmod(fd, mode) == 0;
  const int e = errno;
  close(fd);
  if (!ok) return FailErrno(e, "cannot restrict access to settings store " + path);
  return {};
}

void RestrictOwnFiles(const std::string& path, mode_t mode) {
  for (const char* suffix : kJournalSuffixes) {
    const std::string file = path + suffix;
    struct stat st {};
    if (lstat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid()) continue;
    if ((st.st_mode & 0777 & ~mode) != 0) chmod(file.c_str(), st.st_mode & mode);
  }
}

std::int64_t Pragma(Database& db, const char* sql) {
  Query q(db, sql);
  return q.Step() ? q.Int(0) : 0;
}

// First reads of the file; a damaged header or a folder we may not write
// to shows up here.
int Probe(Database& db, std::int64_t* app_id, std::int64_t* version) {
  try {
    *app_id = Pragma(db, kApplicationIdQuery);
    *version = Pragma(db, kUserVersionQuery);
    return SQLITE_OK;
  } catch (const StoreFailure&) {
    return sqlite3_extended_errcode(db.Handle());
  }
}

OpenOutcome CheckIntegrity(Database& db, const std::string& path) {
  try {
    Query q(db, kQuickCheck);
    std::string verdict = q.Step() ? q.Text(0) : std::string("no verdict");
    if (verdict != "ok") return Fail(err::kBadDb, "settings store " + path + " is damaged: " + verdict);
  } catch (const StoreFailure& f) {
    return Fail(f.code, "settings store " + path + " cannot be checked: " + db.LastMessage());
  }
  return {};
}

OpenOutcome ForeignTables(const std::string& path) {
  return Fail(err::kBadDb, "database " + path + " holds tables of another program; it is left untouched");
}

// Tables without our layout version. Read in one snapshot: another process
// may be setting up the same new file right now.
bool HoldsForeignTables(Database& db) {
  Transaction txn(db, false);
  return Pragma(db, kUserVersionQuery) == 0 && Pragma(db, kObjectCount) != 0;
}

OpenOutcome InitialiseSchema(Database& db, const std::string& path) {
  if (db.ReadOnly()) return Fail(err::kAccessDenied, "settings store " + path + " is empty and read-only");
  Transaction txn(db, true);
  // Another process may have set the file up while we waited for the lock.
  if (Pragma(db, kUserVersionQuery) != 0) return {};
  if (Pragma(db, kObjectCount) != 0) return ForeignTables(path);
  CreateSchema(db);
  db.ExecScript("PRAGMA application_id = " + std::to_string(kApplicationId) +
                "; PRAGMA user_version = " + std::to_string(kSchemaVersion) + ";");
  txn.Commit();
  return {};
}

// Integrity, connection settings and, for a new file, the tables.
OpenOutcome Prepare(Database& db, const std::string& path, std::int64_t version) {
  OpenOutcome integrity = CheckIntegrity(db, path);
  if (integrity.code) return integrity;
  if (version == 0 && HoldsForeignTables(db)) return ForeignTables(path);

  if (!db.ReadOnly()) {
    db.Exec(kJournalWal);
    db.Exec(kKeepLogSize);
    // Keep the WAL and its index after the last connection closes: a reader
    // that may not create files in the folder (a user reading the system
    // store) needs them to exist.
    int persist = 1;
    sqlite3_file_control(db.Handle(), "main", SQLITE_FCNTL_PERSIST_WAL, &persist);
  }
  db.Exec(kSynchronousNormal);
  if (version == 0) return InitialiseSchema(db, path);
  return {};
}

// While a new file is still in rollback-journal mode, switching it to WAL or
// upgrading a read lock can answer busy at once, without waiting under the
// busy handler (SQLite's guard against deadlock). Several processes opening
// a new store together hit that; the steps are idempotent, so try again until
// the time-out has passed.
template <typename Step>
OpenOutcome WhileBusy(int timeout_ms, Step&& step) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(std::max(timeout_ms, 0));
  while (true) {
    try {
      OpenOutcome out = step();
      if (out.code != err::kBusy || std::chrono::steady_clock::now() >= deadline) return out;
    } catch (const StoreFailure& f) {
      if (f.code != err::kBusy || std::chrono::steady_clock::now() >= deadline) throw;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

OpenOutcome OpenChecked(Database& db, const std::string& path, const StoreOptions& options) {
  if (path.empty()) return Fail(err::kInvalidParameter, "no settings store path given");
  struct stat st {};
  const bool exists = stat(path.c_str(), &st) == 0;
  if (!exists) {
    if (errno != ENOENT) return FailErrno(errno, "cannot reach settings store " + path);
    if (!options.create) return Fail(err::kFileNotFound, "settings store " + path + " does not exist");
    OpenOutcome folder = MakeFolders(FolderOf(path));
    if (folder.code) return folder;
    OpenOutcome made = CreateRestricted(path, StoreMode(FolderOf(path)));
    if (made.code) return made;
  } else if (S_ISDIR(st.st_mode)) {
    return Fail(err::kAccessDenied, "settings store " + path + " is a folder");
  } else if (access(path.c_str(), R_OK) != 0) {
    return FailErrno(errno, "cannot read settings store " + path);
  }

  RestrictOwnFiles(path, StoreMode(FolderOf(path)));

  // The connection is guarded by the store's own mutex.
  const int base = SQLITE_OPEN_NOMUTEX;
  std::string message;
  int rc = db.Open(path, base | SQLITE_OPEN_READWRITE | (options.create ? SQLITE_OPEN_CREATE : 0), &message);
  if (rc != SQLITE_OK && exists) rc = db.Open(path, base | SQLITE_OPEN_READONLY, &message);
  if (rc != SQLITE_OK) {
    ErrorCode code = MapSqliteError(rc);
    if (access(path.c_str(), F_OK) != 0 && !exists) code = err::kAccessDenied;  // could not create it
    return Fail(code, "cannot open settings store " + path + ": " + message);
  }
  sqlite3_busy_timeout(db.Handle(), options.busy_timeout_ms > 0 ? options.busy_timeout_ms : 0);

  std::int64_t app_id = 0;
  std::int64_t version = 0;
  rc = Probe(db, &app_id, &version);
  if ((rc & 0xFF) == SQLITE_CANTOPEN || (rc & 0xFF) == SQLITE_READONLY) {
    // A folder we cannot write to keeps a read-write connection from making
    // its WAL index; a read-only one can still read.
    rc = db.Open(path, base | SQLITE_OPEN_READONLY, &message);
    if (rc == SQLITE_OK) {
      sqlite3_busy_timeout(db.Handle(), options.busy_timeout_ms > 0 ? options.busy_timeout_ms : 0);
      rc = Probe(db, &app_id, &version);
    }
  }
  if (rc != SQLITE_OK) {
    const ErrorCode code = MapSqliteError(rc);
    if (code == err::kBadDb) return Fail(code, path + " is not a settings store (unreadable database header)");
    std::string detail = "cannot read settings store " + path + ": " + (db.IsOpen() ? db.LastMessage() : message);
    if (code == err::kAccessDenied && access(FolderOf(path).c_str(), W_OK) != 0) {
      detail += " (its folder is not writable and the store's -wal and -shm files are missing)";
    }
    return Fail(code, detail);
  }
  if (app_id != 0 && app_id != kApplicationId) {
    return Fail(err::kBadDb, "database " + path + " belongs to another program; it is left untouched");
  }
  if (version > kSchemaVersion) {
    return Fail(err::kBadDb, "settings store " + path + " has layout version " + std::to_string(version) +
                                 ", newer than the " + std::to_string(kSchemaVersion) +
                                 " this program understands; it is left untouched");
  }
  return WhileBusy(options.busy_timeout_ms, [&] { return Prepare(db, path, version); });
}

}  // namespace

bool ProcessOwnsStore(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && st.st_uid == geteuid();
}

OpenOutcome OpenStoreFile(Database& db, const std::string& path, const StoreOptions& options) {
  OpenOutcome out;
  try {
    out = OpenChecked(db, path, options);
  } catch (const StoreFailure& f) {
    out = Fail(f.code, "cannot set up settings store " + path + ": " + db.LastMessage());
  } catch (const std::exception& e) {
    // Only allocation can throw here (bad_alloc, length_error).
    out = Fail(err::kNotEnoughMemory, std::string("cannot set up settings store: ") + e.what());
  }
  if (out.code) db.Close();
  return out;
}

}  // namespace oro::platform::sqlite
