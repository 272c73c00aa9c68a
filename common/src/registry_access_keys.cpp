// Creating, deleting, testing and listing keys.
#include "oro/common/key_path.h"
#include "oro/common/registry_access.h"
#include "registry_access_detail.h"

namespace oro::common {

namespace keyaccess = platform::keyaccess;
namespace err = platform::err;

void RegistryAccess::CreateKey(const std::wstring& key, const platform::KeySecurity* security) {
  const KeyPath path = ParseKeyPath(key);
  platform::KeyHandle handle;
  bool created = false;
  detail::ThrowIfFailed(store_.CreateKey(path.root, path.sub_key, keyaccess::kSetValue | keyaccess::kWow64_64Key,
                                         security, &handle, &created),
                        L"Error while creating registry key " + key);
}

void RegistryAccess::DeleteKey(const std::wstring& key) {
  const KeyPath path = ParseKeyPath(key);
  detail::ThrowIfFailed(store_.DeleteKey(path.root, path.sub_key), L"Error while deleting registry key " + key);
}

bool RegistryAccess::KeyExists(const std::wstring& key) {
  const KeyPath path = ParseKeyPath(key);
  platform::KeyHandle handle;
  return store_.OpenKey(path.root, path.sub_key, keyaccess::kQueryValue | keyaccess::kWow64_64Key, &handle) ==
         err::kSuccess;
}

std::vector<std::wstring> RegistryAccess::EnumerateSubKeys(const std::wstring& key) {
  const platform::KeyHandle handle = detail::OpenKey(store_, key, keyaccess::kEnumerateSubKeys);
  std::vector<std::wstring> names;
  for (std::uint32_t index = 0;; ++index) {
    std::wstring name;
    const platform::ErrorCode code = store_.EnumKey(handle, index, &name);
    if (code == err::kNoMoreItems) return names;
    detail::ThrowIfFailed(code, L"Error while enumerating sub keys of registry key " + key);
    names.push_back(std::move(name));
  }
}

std::vector<RegistryAccess::NamedValue> RegistryAccess::EnumerateValues(const std::wstring& key) {
  const platform::KeyHandle handle = detail::OpenKey(store_, key, keyaccess::kQueryValue);
  std::vector<NamedValue> values;
  for (std::uint32_t index = 0;; ++index) {
    NamedValue entry;
    const platform::ErrorCode code = store_.EnumValue(handle, index, &entry.name, &entry.value);
    if (code == err::kNoMoreItems) return values;
    detail::ThrowIfFailed(code, L"Error while enumerating values of registry key " + key);
    values.push_back(std::move(entry));
  }
}

bool RegistryAccess::IsKeyEmpty(const std::wstring& key) {
  const platform::KeyHandle handle = detail::OpenKey(store_, key, keyaccess::kQueryValue);
  platform::KeyInfo info;
  detail::ThrowIfFailed(store_.QueryInfo(handle, &info), L"Error while reading info for registry key " + key);
  return info.sub_keys == 0 && info.values == 0;
}

}  // namespace oro::common
