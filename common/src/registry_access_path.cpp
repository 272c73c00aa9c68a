#include "oro/common/key_path.h"
#include "oro/common/registry_access.h"
#include "oro/platform/root_keys.h"
#include "registry_access_detail.h"

namespace oro::common {

std::wstring KeyPath::Canonical() const { return std::wstring(RootName(root)) + L"\\" + sub_key; }

const wchar_t* RootName(platform::RootKey root) { return platform::RootKeyName(root); }

KeyPath ParseKeyPath(const std::wstring& key) {
  const std::size_t slash = key.find(L'\\');
  if (slash == std::wstring::npos) throw RegistryException(L"Key " + key + L" has invalid format");
  KeyPath path;
  path.root_name = key.substr(0, slash);
  path.sub_key = key.substr(slash + 1);
  if (!platform::RootKeyFromName(path.root_name, &path.root)) {
    throw RegistryException(L"Unknown root key " + path.root_name);
  }
  return path;
}

namespace detail {

std::wstring WithErrorText(const std::wstring& message, platform::ErrorCode code) {
  return message + L": " + ErrorText(code);
}

void ThrowIfFailed(platform::ErrorCode code, const std::wstring& message) {
  if (code != platform::err::kSuccess) throw RegistryException(WithErrorText(message, code));
}

std::wstring ValuePath(const std::wstring& key, const std::wstring& name) { return key + L"\\" + name; }

platform::KeyHandle OpenKey(platform::RegistryStore& store, const std::wstring& key, std::uint32_t rights) {
  const KeyPath path = ParseKeyPath(key);
  platform::KeyHandle handle;
  const platform::ErrorCode code =
      store.OpenKey(path.root, path.sub_key, rights | platform::keyaccess::kWow64_64Key, &handle);
  ThrowIfFailed(code, L"Error while opening registry key " + key);
  return handle;
}

}  // namespace detail
}  // namespace oro::common
