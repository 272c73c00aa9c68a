#include "oro/platform/sqlite/sqlite_registry_store.h"

#include <exception>

#include "oro/platform/text.h"
#include "sqlite_db.h"
#include "store_open.h"
#include "store_rules.h"
#include "store_tables.h"
#include "wal_checkpointer.h"

namespace oro::platform::sqlite {

struct SqliteRegistryStore::Data {
  std::mutex mutex;
  Database db;
  int busy_timeout_ms = 0;
  // Restarts the log through `db`: stopped before the connection closes.
  std::unique_ptr<WalCheckpointer> checkpointer;

  ~Data() { checkpointer.reset(); }

  // The checkpoint thread's turn on the connection: only while no call
  // holds it, never waiting for one.
  bool RestartLogNow(bool shrink) {
    std::unique_lock<std::mutex> lock(mutex, std::try_to_lock);
    return lock.owns_lock() && RestartLog(db.Handle(), busy_timeout_ms, shrink);
  }

  // One operation: the connection's lock, one transaction, and every failure
  // turned into an error code (nothing escapes the store).
  template <typename Body>
  ErrorCode Run(ErrorCode open_error, bool write, Body&& body) {
    if (open_error) return open_error;
    std::lock_guard<std::mutex> lock(mutex);
    try {
      if (write && db.ReadOnly()) return err::kAccessDenied;
      Transaction txn(db, write);
      const ErrorCode rc = body();
      if (rc == err::kSuccess) txn.Commit();
      return rc;
    } catch (const StoreFailure& f) {
      return f.code;
    } catch (const std::exception&) {
      // Only allocation can throw here (bad_alloc, length_error).
      return err::kNotEnoughMemory;
    }
  }
};

namespace {

// What every call on an open handle checks before it touches the file.
ErrorCode CheckHandle(const KeyHandle& key, std::uint32_t needed) {
  if (key.id <= 0) return err::kInvalidHandle;
  if ((key.access & needed) != needed) return err::kAccessDenied;
  return err::kSuccess;
}

// Follows `segments` down from the key `start`.
ErrorCode Resolve(Database& db, std::int64_t start, const std::vector<std::wstring>& segments, std::int64_t* id) {
  std::int64_t cur = start;
  for (const auto& seg : segments) {
    auto child = FindChild(db, cur, seg);
    if (!child) return err::kFileNotFound;
    cur = *child;
  }
  *id = cur;
  return err::kSuccess;
}

constexpr const char* kDataVersion = "PRAGMA data_version";

ErrorCode CheckEntries(const std::vector<AccessEntry>& entries) {
  for (const auto& e : entries) {
    if (e.trustee.empty() || CheckValueName(e.trustee) != err::kSuccess) return err::kInvalidParameter;
  }
  return err::kSuccess;
}

}  // namespace

SqliteRegistryStore::SqliteRegistryStore(const std::string& path, const StoreOptions& options)
    : d_(std::make_unique<Data>()), path_(path) {
  try {
    caller_ = options.caller ? *options.caller : CallerFromProcess();
    OpenOutcome outcome = OpenStoreFile(d_->db, path, options);
    open_error_ = outcome.code;
    open_detail_ = std::move(outcome.detail);
    // Root administers every store, a user the store they own; anybody else
    // is held to the keys' access lists (the machine-wide store's rules).
    if (!options.caller && open_error_ == err::kSuccess && ProcessOwnsStore(path)) caller_.administrator = true;
    if (open_error_ == err::kSuccess && !d_->db.ReadOnly()) {
      d_->busy_timeout_ms = options.busy_timeout_ms;
      d_->checkpointer = std::make_unique<WalCheckpointer>(path);
      Data* data = d_.get();
      d_->checkpointer->Attach(d_->db.Handle(), [data](bool shrink) { return data->RestartLogNow(shrink); });
    }
  } catch (const std::exception&) {
    open_error_ = err::kNotEnoughMemory;
  }
}

SqliteRegistryStore::~SqliteRegistryStore() = default;

ErrorCode SqliteRegistryStore::Status(std::string* detail) const {
  if (detail) *detail = open_detail_;
  return open_error_;
}

ErrorCode SqliteRegistryStore::OpenKey(RootKey root, const std::wstring& sub_key, std::uint32_t access,
                                       KeyHandle* out) {
  if (!out || !ValidRoot(root)) return err::kInvalidParameter;
  return OpenFrom(root, RootId(root), sub_key, access, out);
}

ErrorCode SqliteRegistryStore::OpenSubKey(const KeyHandle& parent, const std::wstring& sub_key, std::uint32_t access,
                                          KeyHandle* out) {
  if (!out) return err::kInvalidParameter;
  if (ErrorCode rc = CheckHandle(parent, 0)) return rc;
  return OpenFrom(parent.root, parent.id, sub_key, access, out);
}

// start is a root's id or an open handle's, which may have been deleted since.
ErrorCode SqliteRegistryStore::OpenFrom(RootKey root, std::int64_t start, const std::wstring& sub_key,
                                        std::uint32_t access, KeyHandle* out) {
  std::vector<std::wstring> segments;
  if (ErrorCode rc = SplitKeyPath(sub_key, &segments)) return rc;
  return d_->Run(open_error_, false, [&]() -> ErrorCode {
    if (!KeyExists(d_->db, start)) return err::kKeyDeleted;
    std::int64_t id = 0;
    if (ErrorCode rc = Resolve(d_->db, start, segments, &id)) return rc;
    const KeySecurity security = caller_.administrator ? KeySecurity{} : LoadSecurity(d_->db, id);
    std::uint32_t granted = 0;
    if (ErrorCode rc = CheckAccess(caller_, security, access, &granted)) return rc;
    *out = KeyHandle{root, sub_key, id, granted};
    return err::kSuccess;
  });
}

ErrorCode SqliteRegistryStore::CreateKey(RootKey root, const std::wstring& sub_key, std::uint32_t access,
                                         const KeySecurity* security, KeyHandle* out, bool* created) {
  if (!out || !ValidRoot(root)) return err::kInvalidParameter;
  std::vector<std::wstring> segments;
  if (ErrorCode rc = SplitKeyPath(sub_key, &segments)) return rc;
  if (security) {
    if (ErrorCode rc = CheckEntries(security->dacl)) return rc;
    if (!security->owner.empty()) {
      if (ErrorCode rc = CheckOwnerChange(caller_, security->owner)) return rc;
    }
  }
  bool made_last = false;
  ErrorCode rc = d_->Run(open_error_, true, [&]() -> ErrorCode {
    made_last = false;
    Database& db = d_->db;
    std::int64_t cur = RootId(root);
    for (std::size_t i = 0; i < segments.size(); ++i) {
      if (auto child = FindChild(db, cur, segments[i])) {
        cur = *child;
        continue;
      }
      const KeySecurity parent = LoadSecurity(db, cur);
      std::uint32_t granted = 0;
      if (ErrorCode rc = CheckAccess(caller_, parent, keyaccess::kCreateSubKey, &granted)) return rc;
      KeySecurity fresh;
      const bool last = i + 1 == segments.size();
      if (last && security) {
        fresh = *security;
        if (fresh.owner.empty()) fresh.owner = OwnerFor(caller_);
      } else {
        fresh.owner = OwnerFor(caller_);
        fresh.dacl = InheritedEntries(parent.dacl);
      }
      cur = InsertKey(db, cur, segments[i], fresh);
      made_last = last;
    }
    const KeySecurity target = caller_.administrator ? KeySecurity{} : LoadSecurity(db, cur);
    std::uint32_t granted = 0;
    if (ErrorCode rc = CheckAccess(caller_, target, access, &granted)) return rc;
    *out = KeyHandle{root, sub_key, cur, granted};
    return err::kSuccess;
  });
  if (rc == err::kSuccess && created) *created = made_last;
  return rc;
}

ErrorCode SqliteRegistryStore::DeleteKey(RootKey root, const std::wstring& sub_key) {
  if (!ValidRoot(root)) return err::kInvalidParameter;
  return DeleteFrom(RootId(root), sub_key);
}

ErrorCode SqliteRegistryStore::DeleteSubKey(const KeyHandle& parent, const std::wstring& sub_key) {
  if (ErrorCode rc = CheckHandle(parent, 0)) return rc;
  return DeleteFrom(parent.id, sub_key);
}

ErrorCode SqliteRegistryStore::DeleteFrom(std::int64_t start, const std::wstring& sub_key) {
  std::vector<std::wstring> segments;
  if (ErrorCode rc = SplitKeyPath(sub_key, &segments)) return rc;
  if (segments.empty()) return open_error_ ? open_error_ : err::kAccessDenied;  // a key is deleted from its parent
  return d_->Run(open_error_, true, [&]() -> ErrorCode {
    if (!KeyExists(d_->db, start)) return err::kKeyDeleted;
    std::int64_t id = 0;
    if (ErrorCode rc = Resolve(d_->db, start, segments, &id)) return rc;
    if (CountSubKeys(d_->db, id) > 0) return err::kAccessDenied;
    if (!caller_.administrator) {
      std::uint32_t granted = 0;
      if (ErrorCode rc = CheckAccess(caller_, LoadSecurity(d_->db, id), keyaccess::kDelete, &granted)) return rc;
    }
    DeleteKeyRow(d_->db, id);
    return err::kSuccess;
  });
}

ErrorCode SqliteRegistryStore::QueryValue(const KeyHandle& key, const std::wstring& name, RegValue* out) {
  if (ErrorCode rc = CheckHandle(key, keyaccess::kQueryValue)) return rc;
  if (ErrorCode rc = CheckValueName(name)) return rc;
  return d_->Run(open_error_, false, [&]() -> ErrorCode {
    if (!KeyExists(d_->db, key.id)) return err::kKeyDeleted;
    return ReadValue(d_->db, key.id, name, out) ? err::kSuccess : err::kFileNotFound;
  });
}

ErrorCode SqliteRegistryStore::SetValue(const KeyHandle& key, const std::wstring& name, std::uint32_t type,
                                        const std::uint8_t* data, std::size_t size) {
  if (ErrorCode rc = CheckHandle(key, keyaccess::kSetValue)) return rc;
  if (ErrorCode rc = CheckValueName(name)) return rc;
  if (!data && size > 0) return err::kInvalidParameter;
  return d_->Run(open_error_, true, [&]() -> ErrorCode {
    if (!KeyExists(d_->db, key.id)) return err::kKeyDeleted;
    WriteValue(d_->db, key.id, name, type, data, size);
    return err::kSuccess;
  });
}

ErrorCode SqliteRegistryStore::DeleteValue(const KeyHandle& key, const std::wstring& name) {
  if (ErrorCode rc = CheckHandle(key, keyaccess::kSetValue)) return rc;
  if (ErrorCode rc = CheckValueName(name)) return rc;
  return d_->Run(open_error_, true, [&]() -> ErrorCode {
    if (!KeyExists(d_->db, key.id)) return err::kKeyDeleted;
    return RemoveValue(d_->db, key.id, name) ? err::kSuccess : err::kFileNotFound;
  });
}

ErrorCode SqliteRegistryStore::EnumKey(const KeyHandle& key, std::uint32_t index, std::wstring* name) {
  if (ErrorCode rc = CheckHandle(key, keyaccess::kEnumerateSubKeys)) return rc;
  if (!name) return err::kInvalidParameter;
  return d_->Run(open_error_, false, [&]() -> ErrorCode {
    if (!KeyExists(d_->db, key.id)) return err::kKeyDeleted;
    auto found = SubKeyAt(d_->db, key.id, index);
    if (!found) return err::kNoMoreItems;
    *name = std::move(*found);
    return err::kSuccess;
  });
}

ErrorCode SqliteRegistryStore::EnumValue(const KeyHandle& key, std::uint32_t index, std::wstring* name,
                                         RegValue* value) {
  if (ErrorCode rc = CheckHandle(key, keyaccess::kQueryValue)) return rc;
  return d_->Run(open_error_, false, [&]() -> ErrorCode {
    if (!KeyExists(d_->db, key.id)) return err::kKeyDeleted;
    return ValueAt(d_->db, key.id, index, name, value) ? err::kSuccess : err::kNoMoreItems;
  });
}

ErrorCode SqliteRegistryStore::QueryInfo(const KeyHandle& key, KeyInfo* info) {
  if (ErrorCode rc = CheckHandle(key, keyaccess::kQueryValue)) return rc;
  if (!info) return err::kInvalidParameter;
  return d_->Run(open_error_, false, [&]() -> ErrorCode {
    if (!KeyExists(d_->db, key.id)) return err::kKeyDeleted;
    info->sub_keys = CountSubKeys(d_->db, key.id);
    info->values = CountValues(d_->db, key.id);
    return err::kSuccess;
  });
}

ErrorCode SqliteRegistryStore::GetSecurity(const KeyHandle& key, KeySecurity* out) {
  if (ErrorCode rc = CheckHandle(key, keyaccess::kReadControl)) return rc;
  if (!out) return err::kInvalidParameter;
  return d_->Run(open_error_, false, [&]() -> ErrorCode {
    if (!KeyExists(d_->db, key.id)) return err::kKeyDeleted;
    *out = LoadSecurity(d_->db, key.id);
    return err::kSuccess;
  });
}

ErrorCode SqliteRegistryStore::SetSecurity(const KeyHandle& key, const KeySecurity& security, bool set_owner,
                                           bool set_dacl) {
  const std::uint32_t needed = (set_owner ? keyaccess::kWriteOwner : 0) | (set_dacl ? keyaccess::kWriteDac : 0);
  if (ErrorCode rc = CheckHandle(key, needed)) return rc;
  if (set_owner) {
    if (ErrorCode rc = CheckOwnerChange(caller_, security.owner)) return rc;
  }
  if (set_dacl) {
    if (ErrorCode rc = CheckEntries(security.dacl)) return rc;
  }
  if (!set_owner && !set_dacl) return open_error_;
  return d_->Run(open_error_, true, [&]() -> ErrorCode {
    if (!KeyExists(d_->db, key.id)) return err::kKeyDeleted;
    if (set_owner) SaveOwner(d_->db, key.id, security.owner);
    if (set_dacl) SaveEntries(d_->db, key.id, security.dacl);
    return err::kSuccess;
  });
}

ErrorCode SqliteRegistryStore::ChangeStamp(std::uint64_t* stamp) {
  if (!stamp) return err::kInvalidParameter;
  return d_->Run(open_error_, false, [&]() -> ErrorCode {
    // data_version moves with other connections' commits, the change count
    // with our own.
    Query q(d_->db, kDataVersion);
    const std::int64_t others = q.Step() ? q.Int(0) : 0;
    *stamp = static_cast<std::uint64_t>(others) + static_cast<std::uint64_t>(d_->db.TotalChanges());
    return err::kSuccess;
  });
}

}  // namespace oro::platform::sqlite
