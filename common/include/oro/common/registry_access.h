// Registry functions over full key paths ("HKEY_LOCAL_MACHINE\\SOFTWARE\\...").
// Each operation opens the key, does one thing and reports any failure by
// throwing RegistryException with a readable message.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "oro/common/os_version.h"
#include "oro/common/registry_exception.h"
#include "oro/platform/registry_store.h"

namespace oro::common {

class RegistryAccess {
 public:
  // system answers the OS-version check of the callers that choose a layout
  // by it (effect registration); null counts as an unknown version.
  explicit RegistryAccess(platform::RegistryStore& store, platform::SystemInfo* system = nullptr)
      : store_(store), version_(system) {}

  std::wstring ReadString(const std::wstring& key, const std::wstring& name);
  std::uint32_t ReadDword(const std::wstring& key, const std::wstring& name);
  std::vector<std::wstring> ReadMultiString(const std::wstring& key, const std::wstring& name);
  std::vector<std::uint8_t> ReadBinary(const std::wstring& key, const std::wstring& name);
  // Reads at most `size` bytes into `buffer`; a longer stored value is cut to
  // the buffer. Returns the number of bytes written into the buffer.
  std::size_t ReadBinaryInto(const std::wstring& key, const std::wstring& name, void* buffer, std::size_t size);
  // Any type, bytes as stored (for tools that show or copy values whole).
  platform::RegValue ReadValue(const std::wstring& key, const std::wstring& name);

  void WriteString(const std::wstring& key, const std::wstring& name, const std::wstring& value);
  void WriteDword(const std::wstring& key, const std::wstring& name, std::uint32_t value);
  void WriteBinary(const std::wstring& key, const std::wstring& name, const void* data, std::size_t size);
  void WriteMultiString(const std::wstring& key, const std::wstring& name, const std::wstring& value);
  void WriteMultiStringList(const std::wstring& key, const std::wstring& name, const std::vector<std::wstring>& values);
  // Any type, bytes as given.
  void WriteValue(const std::wstring& key, const std::wstring& name, std::uint32_t type,
                  const std::vector<std::uint8_t>& data);
  void DeleteValue(const std::wstring& key, const std::wstring& name);

  // security may be null (the key inherits from its parent).
  void CreateKey(const std::wstring& key, const platform::KeySecurity* security = nullptr);
  void DeleteKey(const std::wstring& key);
  bool KeyExists(const std::wstring& key);
  bool ValueExists(const std::wstring& key, const std::wstring& name);
  std::vector<std::wstring> EnumerateSubKeys(const std::wstring& key);
  bool IsKeyEmpty(const std::wstring& key);

  struct NamedValue {
    std::wstring name;
    platform::RegValue value;
  };
  // Every value of the key, in the store's order.
  std::vector<NamedValue> EnumerateValues(const std::wstring& key);

  // A key met while walking a tree: its full path, and its values read
  // through the open key (nothing is looked up by path again).
  class TreeKey {
   public:
    const std::wstring& Path() const { return path_; }
    std::vector<NamedValue> Values() const;
    // false when the key has no value of that name.
    bool FindValue(const std::wstring& name, platform::RegValue* out) const;

   private:
    friend class RegistryAccess;
    TreeKey(platform::RegistryStore& store, const platform::KeyHandle& handle, const std::wstring& path)
        : store_(store), handle_(handle), path_(path) {}
    platform::RegistryStore& store_;
    const platform::KeyHandle& handle_;
    const std::wstring& path_;
  };
  // Visits `key` and every key below it, each before its sub keys, sub keys
  // in the store's order. One open key per level and one growing path: the
  // walk costs one step per key however deep the tree is.
  void VisitTree(const std::wstring& key, const std::function<void(const TreeKey&)>& visit);
  // Deletes `key` and everything below it, deepest keys first, each through
  // its parent's open key. Stops at the first key that cannot be deleted.
  void DeleteTree(const std::wstring& key);

  // Grants the Administrators group full control of the key (inherited below it).
  void EnsureWritable(const std::wstring& key);
  // Makes the Administrators group the owner of the key.
  void TakeOwnership(const std::wstring& key);

  // Writes the named string values of `key` as a file a registry editor
  // imports (UTF-16LE, see reg_file.h). An existing file is replaced only once
  // the new one is complete; a failed export leaves it as it was.
  void ExportToRegFile(const std::wstring& key, const std::vector<std::wstring>& names, const std::wstring& path);

  // The check itself lives in os_version.h; this forwards to it.
  bool IsWindows81OrLater() { return version_.IsWindows81OrLater(); }

  platform::RegistryStore& Store() { return store_; }

 private:
  platform::RegistryStore& store_;
  OsVersion version_;
};

}  // namespace oro::common
