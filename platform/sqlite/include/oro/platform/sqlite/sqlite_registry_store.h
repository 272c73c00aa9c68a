// The settings store on SQLite: one database file shared by every process of
// the kit (WAL journal, busy time-out, one transaction per operation).
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "oro/platform/registry_store.h"

struct sqlite3;

namespace oro::platform::sqlite {

struct StoreOptions {
  // How long an operation waits for another process's transaction.
  int busy_timeout_ms = 5000;
  // Who calls; by default the process's effective user, an administrator when
  // it is root or owns the store file (a store in the user's own folder).
  const Caller* caller = nullptr;
  // Create the file (and its folder) when missing.
  bool create = true;
};

class SqliteRegistryStore final : public RegistryStore {
 public:
  // Never throws: a store that cannot be opened answers every call with the
  // error that kept it from opening (see OpenError).
  explicit SqliteRegistryStore(const std::string& path, const StoreOptions& options = {});
  ~SqliteRegistryStore() override;
  SqliteRegistryStore(const SqliteRegistryStore&) = delete;
  SqliteRegistryStore& operator=(const SqliteRegistryStore&) = delete;

  // 0 when the store opened; otherwise the Win32 code and a description.
  ErrorCode OpenError() const { return open_error_; }
  const std::string& OpenErrorDetail() const { return open_detail_; }
  const std::string& Path() const { return path_; }

  // A number that differs from the last one whenever this or any other
  // connection (any process) has committed a change since: lets a watcher
  // poll cheaply before it re-reads the keys it follows.
  ErrorCode ChangeStamp(std::uint64_t* stamp);

  ErrorCode OpenKey(RootKey root, const std::wstring& sub_key, std::uint32_t access, KeyHandle* out) override;
  ErrorCode CreateKey(RootKey root, const std::wstring& sub_key, std::uint32_t access, const KeySecurity* security,
                      KeyHandle* out, bool* created) override;
  ErrorCode DeleteKey(RootKey root, const std::wstring& sub_key) override;
  ErrorCode OpenSubKey(const KeyHandle& parent, const std::wstring& sub_key, std::uint32_t access,
                       KeyHandle* out) override;
  ErrorCode DeleteSubKey(const KeyHandle& parent, const std::wstring& sub_key) override;
  ErrorCode QueryValue(const KeyHandle& key, const std::wstring& name, RegValue* out) override;
  ErrorCode SetValue(const KeyHandle& key, const std::wstring& name, std::uint32_t type, const std::uint8_t* data,
                     std::size_t size) override;
  ErrorCode DeleteValue(const KeyHandle& key, const std::wstring& name) override;
  ErrorCode EnumKey(const KeyHandle& key, std::uint32_t index, std::wstring* name) override;
  ErrorCode EnumValue(const KeyHandle& key, std::uint32_t index, std::wstring* name, RegValue* value) override;
  ErrorCode QueryInfo(const KeyHandle& key, KeyInfo* info) override;
  ErrorCode GetSecurity(const KeyHandle& key, KeySecurity* out) override;
  ErrorCode SetSecurity(const KeyHandle& key, const KeySecurity& security, bool set_owner, bool set_dacl) override;
  Caller CurrentCaller() const override { return caller_; }
  ErrorCode Status(std::string* detail) const override;

 private:
  struct Data;
  std::unique_ptr<Data> d_;
  std::string path_;
  Caller caller_;
  ErrorCode open_error_ = 0;
  std::string open_detail_;

  ErrorCode OpenFrom(RootKey root, std::int64_t start, const std::wstring& sub_key, std::uint32_t access,
                     KeyHandle* out);
  ErrorCode DeleteFrom(std::int64_t start, const std::wstring& sub_key);
};

}  // namespace oro::platform::sqlite
