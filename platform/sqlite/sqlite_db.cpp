#include "sqlite_db.h"

#include <sqlite3.h>

namespace oro::platform::sqlite {

ErrorCode MapSqliteError(int rc) {
  switch (rc) {
    case SQLITE_IOERR_NOMEM:
      return err::kNotEnoughMemory;
    case SQLITE_CANTOPEN_ISDIR:
      return err::kAccessDenied;
    default:
      break;
  }
  switch (rc & 0xFF) {
    case SQLITE_OK:
    case SQLITE_ROW:
    case SQLITE_DONE:
      return err::kSuccess;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_PROTOCOL:  // a lock race in the WAL index; transient like busy
      return err::kBusy;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      return err::kBadDb;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
    // A journal or WAL file that cannot be created next to the store: the
    // folder is not writable for us.
    case SQLITE_CANTOPEN:
      return err::kAccessDenied;
    case SQLITE_IOERR:
      return err::kRegistryIoFailed;
    case SQLITE_FULL:
      return err::kDiskFull;
    case SQLITE_NOMEM:
      return err::kNotEnoughMemory;
    case SQLITE_TOOBIG:
      return err::kInvalidParameter;
    default:
      // Missing tables, constraint breaks and the like: the file is not in
      // the shape this code wrote it.
      return err::kRegistryCorrupt;
  }
}

Database::~Database() { Close(); }

int Database::Open(const std::string& path, int flags, std::string* message) {
  Close();
  int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
  if (rc != SQLITE_OK) {
    *message = db_ ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
    sqlite3_close(db_);
    db_ = nullptr;
    return rc;
  }
  sqlite3_extended_result_codes(db_, 1);
  return SQLITE_OK;
}

void Database::Close() {
  for (auto& [sql, stmt] : cache_) sqlite3_finalize(stmt);
  cache_.clear();
  if (db_) sqlite3_close(db_);
  db_ = nullptr;
}

bool Database::ReadOnly() const { return db_ && sqlite3_db_readonly(db_, "main") == 1; }

std::string Database::LastMessage() const { return db_ ? sqlite3_errmsg(db_) : "no connection"; }

std::int64_t Database::LastInsertId() const { return sqlite3_last_insert_rowid(db_); }

std::int64_t Database::TotalChanges() const { return sqlite3_total_changes64(db_); }

sqlite3_stmt* Database::Prepare(const char* sql) {
  auto it = cache_.find(sql);
  if (it != cache_.end()) return it->second;
  sqlite3_stmt* stmt = nullptr;
  int rc = sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
  if (rc != SQLITE_OK) {
    sqlite3_finalize(stmt);
    throw StoreFailure{MapSqliteError(rc)};
  }
  cache_.emplace(sql, stmt);
  return stmt;
}

void Database::Exec(const char* sql) {
  Query q(*this, sql);
  q.Run();
}

void Database::ExecScript(const std::string& sql) {
  int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) throw StoreFailure{MapSqliteError(sqlite3_extended_errcode(db_))};
}

Query::Query(Database& db, const char* sql) : db_(db), stmt_(db.Prepare(sql)) {}

Query::~Query() {
  sqlite3_reset(stmt_);
  sqlite3_clear_bindings(stmt_);
}

Query& Query::Bind(int index, std::int64_t value) {
  int rc = sqlite3_bind_int64(stmt_, index, value);
  if (rc != SQLITE_OK) throw StoreFailure{MapSqliteError(rc)};
  return *this;
}

Query& Query::Bind(int index, const std::string& text) {
  int rc = sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
  if (rc != SQLITE_OK) throw StoreFailure{MapSqliteError(rc)};
  return *this;
}

Query& Query::BindBlob(int index, const std::uint8_t* data, std::size_t size) {
  // A zero-length blob must still be a blob, never NULL.
  static const std::uint8_t kEmpty = 0;
  int rc = sqlite3_bind_blob64(stmt_, index, size ? data : &kEmpty, size, SQLITE_TRANSIENT);
  if (rc != SQLITE_OK) throw StoreFailure{MapSqliteError(rc)};
  return *this;
}

bool Query::Step() {
  int rc = sqlite3_step(stmt_);
  if (rc == SQLITE_ROW) return true;
  if (rc == SQLITE_DONE) return false;
  throw StoreFailure{MapSqliteError(rc)};
}

int Query::Run() {
  while (Step()) {
  }
  return sqlite3_changes(db_.Handle());
}

std::int64_t Query::Int(int column) const { return sqlite3_column_int64(stmt_, column); }

std::string Query::Text(int column) const {
  const auto* p = sqlite3_column_text(stmt_, column);
  int n = sqlite3_column_bytes(stmt_, column);
  return p ? std::string(reinterpret_cast<const char*>(p), static_cast<std::size_t>(n)) : std::string();
}

std::vector<std::uint8_t> Query::Blob(int column) const {
  const auto* p = static_cast<const std::uint8_t*>(sqlite3_column_blob(stmt_, column));
  int n = sqlite3_column_bytes(stmt_, column);
  if (!p || n <= 0) {
    if (sqlite3_errcode(db_.Handle()) == SQLITE_NOMEM) throw StoreFailure{err::kNotEnoughMemory};
    return {};
  }
  return std::vector<std::uint8_t>(p, p + n);
}

namespace {
constexpr const char* kBegin = "BEGIN";
constexpr const char* kBeginImmediate = "BEGIN IMMEDIATE";
constexpr const char* kCommit = "COMMIT";
constexpr const char* kRollback = "ROLLBACK";
}  // namespace

Transaction::Transaction(Database& db, bool write) : db_(db) {
  db_.Exec(write ? kBeginImmediate : kBegin);
  open_ = true;
}

Transaction::~Transaction() {
  if (!open_) return;
  // A failed statement may already have ended the transaction; that is fine.
  if (sqlite3_get_autocommit(db_.Handle()) == 0) sqlite3_exec(db_.Handle(), kRollback, nullptr, nullptr, nullptr);
}

void Transaction::Commit() {
  db_.Exec(kCommit);
  open_ = false;
}

}  // namespace oro::platform::sqlite
