#include "store_tables.h"

#include "oro/platform/text.h"
#include "store_rules.h"

namespace oro::platform::sqlite {
namespace {

// Names keep the writer's case in `name`; `fold` is what lookups, uniqueness
// and enumeration order use. Key ids are never reused (AUTOINCREMENT), so a
// handle to a deleted key can never reach a newer key.
constexpr const char* kSchema = R"sql(
CREATE TABLE keys(
  id INTEGER PRIMARY KEY AUTOINCREMENT,
  parent INTEGER,
  name TEXT NOT NULL,
  fold TEXT NOT NULL,
  owner TEXT NOT NULL
);
CREATE UNIQUE INDEX keys_by_parent ON keys(parent, fold);
CREATE TABLE access_entries(
  key INTEGER NOT NULL,
  pos INTEGER NOT NULL,
  trustee TEXT NOT NULL,
  mask INTEGER NOT NULL,
  flags INTEGER NOT NULL,
  PRIMARY KEY(key, pos)
) WITHOUT ROWID;
CREATE TABLE key_values(
  key INTEGER NOT NULL,
  fold TEXT NOT NULL,
  name TEXT NOT NULL,
  type INTEGER NOT NULL,
  data BLOB NOT NULL,
  PRIMARY KEY(key, fold)
);
)sql";

constexpr const char* kInsertRoot = "INSERT INTO keys(id, parent, name, fold, owner) VALUES(?1, NULL, ?2, ?3, ?4)";
constexpr const char* kFindChild = "SELECT id FROM keys WHERE parent = ?1 AND fold = ?2";
constexpr const char* kKeyExists = "SELECT 1 FROM keys WHERE id = ?1";
constexpr const char* kInsertKey = "INSERT INTO keys(parent, name, fold, owner) VALUES(?1, ?2, ?3, ?4)";
constexpr const char* kDeleteKey = "DELETE FROM keys WHERE id = ?1";
constexpr const char* kDeleteKeyValues = "DELETE FROM key_values WHERE key = ?1";
constexpr const char* kSelectOwner = "SELECT owner FROM keys WHERE id = ?1";
constexpr const char* kUpdateOwner = "UPDATE keys SET owner = ?2 WHERE id = ?1";
constexpr const char* kSelectEntries = "SELECT trustee, mask, flags FROM access_entries WHERE key = ?1 ORDER BY pos";
constexpr const char* kDeleteEntries = "DELETE FROM access_entries WHERE key = ?1";
constexpr const char* kInsertEntry =
    "INSERT INTO access_entries(key, pos, trustee, mask, flags) VALUES(?1, ?2, ?3, ?4, ?5)";
constexpr const char* kCountSubKeys = "SELECT count(*) FROM keys WHERE parent = ?1";
constexpr const char* kCountValues = "SELECT count(*) FROM key_values WHERE key = ?1";
constexpr const char* kSubKeyAt = "SELECT name FROM keys WHERE parent = ?1 ORDER BY fold LIMIT 1 OFFSET ?2";
constexpr const char* kValueAt =
    "SELECT name, type, data FROM key_values WHERE key = ?1 ORDER BY fold LIMIT 1 OFFSET ?2";
constexpr const char* kSelectValue = "SELECT type, data FROM key_values WHERE key = ?1 AND fold = ?2";
constexpr const char* kUpsertValue =
    "INSERT INTO key_values(key, fold, name, type, data) VALUES(?1, ?2, ?3, ?4, ?5) "
    "ON CONFLICT(key, fold) DO UPDATE SET type = excluded.type, data = excluded.data";
constexpr const char* kDeleteValue = "DELETE FROM key_values WHERE key = ?1 AND fold = ?2";

std::uint32_t ToU32(std::int64_t v) { return static_cast<std::uint32_t>(v); }

RegValue ValueFrom(const Query& q, int type_column) {
  RegValue v;
  v.type = ToU32(q.Int(type_column));
  v.data = q.Blob(type_column + 1);
  return v;
}

}  // namespace

void CreateSchema(Database& db) {
  db.ExecScript(kSchema);
  const KeySecurity security = RootSecurity();
  for (auto root : {RootKey::kClassesRoot, RootKey::kCurrentConfig, RootKey::kCurrentUser, RootKey::kLocalMachine,
                    RootKey::kUsers}) {
    const std::wstring name = RootName(root);
    Query(db, kInsertRoot)
        .Bind(1, RootId(root))
        .Bind(2, ToUtf8(name))
        .Bind(3, FoldedUtf8(name))
        .Bind(4, ToUtf8(security.owner))
        .Run();
    SaveEntries(db, RootId(root), security.dacl);
  }
}

std::optional<std::int64_t> FindChild(Database& db, std::int64_t parent, const std::wstring& name) {
  Query q(db, kFindChild);
  q.Bind(1, parent).Bind(2, FoldedUtf8(name));
  if (!q.Step()) return std::nullopt;
  return q.Int(0);
}

bool KeyExists(Database& db, std::int64_t id) {
  Query q(db, kKeyExists);
  return q.Bind(1, id).Step();
}

std::int64_t InsertKey(Database& db, std::int64_t parent, const std::wstring& name, const KeySecurity& security) {
  Query(db, kInsertKey)
      .Bind(1, parent)
      .Bind(2, ToUtf8(name))
      .Bind(3, FoldedUtf8(name))
      .Bind(4, ToUtf8(security.owner))
      .Run();
  const std::int64_t id = db.LastInsertId();
  SaveEntries(db, id, security.dacl);
  return id;
}

void DeleteKeyRow(Database& db, std::int64_t id) {
  Query(db, kDeleteKeyValues).Bind(1, id).Run();
  Query(db, kDeleteEntries).Bind(1, id).Run();
  Query(db, kDeleteKey).Bind(1, id).Run();
}

KeySecurity LoadSecurity(Database& db, std::int64_t id) {
  KeySecurity s;
  {
    Query q(db, kSelectOwner);
    if (q.Bind(1, id).Step()) s.owner = FromUtf8(q.Text(0));
  }
  Query q(db, kSelectEntries);
  q.Bind(1, id);
  while (q.Step()) s.dacl.push_back({FromUtf8(q.Text(0)), ToU32(q.Int(1)), ToU32(q.Int(2))});
  return s;
}

void SaveOwner(Database& db, std::int64_t id, const std::wstring& owner) {
  Query(db, kUpdateOwner).Bind(1, id).Bind(2, ToUtf8(owner)).Run();
}

void SaveEntries(Database& db, std::int64_t id, const std::vector<AccessEntry>& entries) {
  Query(db, kDeleteEntries).Bind(1, id).Run();
  std::int64_t pos = 0;
  for (const auto& e : entries) {
    Query(db, kInsertEntry)
        .Bind(1, id)
        .Bind(2, pos++)
        .Bind(3, ToUtf8(e.trustee))
        .Bind(4, std::int64_t{e.mask})
        .Bind(5, std::int64_t{e.flags})
        .Run();
  }
}

std::uint32_t CountSubKeys(Database& db, std::int64_t id) {
  Query q(db, kCountSubKeys);
  return q.Bind(1, id).Step() ? ToU32(q.Int(0)) : 0;
}

std::uint32_t CountValues(Database& db, std::int64_t id) {
  Query q(db, kCountValues);
  return q.Bind(1, id).Step() ? ToU32(q.Int(0)) : 0;
}

std::optional<std::wstring> SubKeyAt(Database& db, std::int64_t id, std::uint32_t index) {
  Query q(db, kSubKeyAt);
  if (!q.Bind(1, id).Bind(2, std::int64_t{index}).Step()) return std::nullopt;
  return FromUtf8(q.Text(0));
}

bool ValueAt(Database& db, std::int64_t id, std::uint32_t index, std::wstring* name, RegValue* value) {
  Query q(db, kValueAt);
  if (!q.Bind(1, id).Bind(2, std::int64_t{index}).Step()) return false;
  if (name) *name = FromUtf8(q.Text(0));
  if (value) *value = ValueFrom(q, 1);
  return true;
}

bool ReadValue(Database& db, std::int64_t id, const std::wstring& name, RegValue* value) {
  Query q(db, kSelectValue);
  if (!q.Bind(1, id).Bind(2, FoldedUtf8(name)).Step()) return false;
  if (value) *value = ValueFrom(q, 0);
  return true;
}

void WriteValue(Database& db, std::int64_t id, const std::wstring& name, std::uint32_t type, const std::uint8_t* data,
                std::size_t size) {
  Query(db, kUpsertValue)
      .Bind(1, id)
      .Bind(2, FoldedUtf8(name))
      .Bind(3, ToUtf8(name))
      .Bind(4, std::int64_t{type})
      .BindBlob(5, data, size)
      .Run();
}

bool RemoveValue(Database& db, std::int64_t id, const std::wstring& name) {
  return Query(db, kDeleteValue).Bind(1, id).Bind(2, FoldedUtf8(name)).Run() > 0;
}

}  // namespace oro::platform::sqlite
