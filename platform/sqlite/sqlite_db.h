// A thin RAII layer over one sqlite3 connection: cached prepared statements,
// scoped statement use and scoped transactions. Failures are thrown as
// StoreFailure carrying the kit's error code; the store catches them at its
// boundary, so SQLite result codes are mapped in exactly one place.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "oro/platform/win32_codes.h"

struct sqlite3;
struct sqlite3_stmt;

namespace oro::platform::sqlite {

struct StoreFailure {
  ErrorCode code;
};

// The one mapping from SQLite result codes (extended or primary) to the kit's.
ErrorCode MapSqliteError(int rc);

class Database {
 public:
  Database() = default;
  ~Database();
  Database(const Database&) = delete;
  Database& operator=(const Database&) = delete;

  // Returns the SQLite result code; on failure the connection is closed
  // again and `message` says why.
  int Open(const std::string& path, int flags, std::string* message);
  void Close();
  bool IsOpen() const { return db_ != nullptr; }
  bool ReadOnly() const;
  sqlite3* Handle() const { return db_; }
  std::string LastMessage() const;
  std::int64_t LastInsertId() const;
  // Rows changed through this connection since it opened.
  std::int64_t TotalChanges() const;

  // Statements are keyed by the address of their (static) text.
  sqlite3_stmt* Prepare(const char* sql);
  // Runs one cached statement, ignoring any rows; throws StoreFailure.
  void Exec(const char* sql);
  // Runs a one-off script of several statements; throws StoreFailure.
  void ExecScript(const std::string& sql);

 private:
  sqlite3* db_ = nullptr;
  std::unordered_map<const char*, sqlite3_stmt*> cache_;
};

// One use of a cached statement; resets it when it goes out of scope.
class Query {
 public:
  Query(Database& db, const char* sql);
  ~Query();
  Query(const Query&) = delete;
  Query& operator=(const Query&) = delete;

  Query& Bind(int index, std::int64_t value);
  Query& Bind(int index, const std::string& text);
  Query& BindBlob(int index, const std::uint8_t* data, std::size_t size);

  // true when a row is ready, false when done; throws StoreFailure.
  bool Step();
  // Runs to completion; returns the number of rows changed.
  int Run();

  std::int64_t Int(int column) const;
  std::string Text(int column) const;
  std::vector<std::uint8_t> Blob(int column) const;

 private:
  Database& db_;
  sqlite3_stmt* stmt_;
};

// BEGIN (or BEGIN IMMEDIATE for writers, so the write lock is taken up front
// and waits under the busy time-out); rolls back unless committed.
class Transaction {
 public:
  Transaction(Database& db, bool write);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  void Commit();

 private:
  Database& db_;
  bool open_ = false;
};

}  // namespace oro::platform::sqlite
