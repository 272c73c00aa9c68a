// Identity of registry keys within the process. A port handle is a plain
// value, so the system handles behind it are kept here, per key and per set
// of rights. A key keeps its number while it lives; one deleted and created
// again at the same path gets a new number, and the old number answers
// err::kKeyDeleted from then on.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "oro/platform/win32_codes.h"

namespace oro::platform::windows_host {

// One system handle; closed when the last user lets go of it, so a handle in
// use is never closed under a call.
class OpenedKey {
 public:
  explicit OpenedKey(HKEY key) : key_(key) {}
  ~OpenedKey() { RegCloseKey(key_); }
  OpenedKey(const OpenedKey&) = delete;
  OpenedKey& operator=(const OpenedKey&) = delete;
  HKEY Get() const { return key_; }

 private:
  HKEY key_;
};
using KeyRef = std::shared_ptr<OpenedKey>;

struct KnownKey {
  KeyRef key;             // opened with `access` (or any of the key's handles)
  std::wstring path;      // folded full path: the identity within the process
  std::size_t depth = 0;  // levels below its root
};

class KeyTable {
 public:
  static KeyTable& Instance();

  // Files the handle `key`, opened with `access`, of the key at `path`;
  // returns the key's number.
  std::int64_t Register(const std::wstring& path, std::size_t depth, std::uint32_t access, KeyRef key);

  // A handle with exactly `access` to key `id` when one is filed, else any
  // handle of it (the caller opens the rights it needs from that one).
  // err::kKeyDeleted for a number of a key gone since, kInvalidHandle for one
  // never given out. With `check_alive`, a key deleted behind a filed handle is
  // reported too (calls the system does not refuse on a deleted key).
  ErrorCode Find(std::int64_t id, std::uint32_t access, bool check_alive, KnownKey* out, bool* exact);

 private:
  struct Entry {
    std::wstring path;
    std::size_t depth = 0;
    std::map<std::uint32_t, KeyRef> handles;
  };
  static bool Alive(const Entry& e);
  void SweepLocked();

  std::mutex mutex_;
  std::map<std::int64_t, Entry> by_id_;
  std::unordered_map<std::wstring, std::int64_t> by_path_;
  std::int64_t next_id_ = 1;
  std::size_t sweep_at_ = 256;
};

}  // namespace oro::platform::windows_host
