// Walking and deleting whole trees through handles opened one level at a
// time, so a deep tree is never looked up from its root once per key.
#include <vector>

#include "oro/common/key_path.h"
#include "oro/common/registry_access.h"
#include "registry_access_detail.h"

namespace oro::common {

namespace keyaccess = platform::keyaccess;
namespace err = platform::err;

namespace {

struct Level {
  platform::KeyHandle handle;
  std::size_t path_size = 0;  // the path's length at this level
  std::uint32_t next = 0;     // next sub key to visit
  std::wstring name;          // as enumerated from the parent
};

void AppendName(std::wstring& path, const std::wstring& name) {
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  path += name;
}

}  // namespace

std::vector<RegistryAccess::NamedValue> RegistryAccess::TreeKey::Values() const {
  std::vector<NamedValue> values;
  for (std::uint32_t index = 0;; ++index) {
    NamedValue entry;
    const platform::ErrorCode code = store_.EnumValue(handle_, index, &entry.name, &entry.value);
    if (code == err::kNoMoreItems) return values;
    detail::ThrowIfFailed(code, L"Error while enumerating values of registry key " + path_);
    values.push_back(std::move(entry));
  }
}

bool RegistryAccess::TreeKey::FindValue(const std::wstring& name, platform::RegValue* out) const {
  const platform::ErrorCode code = store_.QueryValue(handle_, name, out);
  if (code == err::kFileNotFound) return false;
  detail::ThrowIfFailed(code, L"Error while reading registry value " + detail::ValuePath(path_, name));
  return true;
}

void RegistryAccess::VisitTree(const std::wstring& key, const std::function<void(const TreeKey&)>& visit) {
  constexpr std::uint32_t kRights = keyaccess::kQueryValue | keyaccess::kEnumerateSubKeys | keyaccess::kWow64_64Key;
  std::wstring path = key;
  std::vector<Level> levels;
  levels.push_back({detail::OpenKey(store_, key, kRights), path.size(), 0, {}});
  visit(TreeKey(store_, levels.back().handle, path));
  while (!levels.empty()) {
    Level& top = levels.back();
    path.resize(top.path_size);
    std::wstring name;
    const platform::ErrorCode code = store_.EnumKey(top.handle, top.next, &name);
    if (code == err::kNoMoreItems) {
      levels.pop_back();
      continue;
    }
    detail::ThrowIfFailed(code, L"Error while enumerating sub keys of registry key " + path);
    ++top.next;
    AppendName(path, name);
    platform::KeyHandle child;
    detail::ThrowIfFailed(store_.OpenSubKey(top.handle, name, kRights, &child),
                          L"Error while opening registry key " + path);
    levels.push_back({std::move(child), path.size(), 0, {}});
    visit(TreeKey(store_, levels.back().handle, path));
  }
}

void RegistryAccess::DeleteTree(const std::wstring& key) {
  constexpr std::uint32_t kRights = keyaccess::kEnumerateSubKeys | keyaccess::kWow64_64Key;
  std::wstring path = key;
  std::vector<Level> levels;
  levels.push_back({detail::OpenKey(store_, key, kRights), path.size(), 0, {}});
  // Always the first sub key: the one before it has just been deleted.
  while (true) {
    Level& top = levels.back();
    path.resize(top.path_size);
    std::wstring name;
    const platform::ErrorCode code = store_.EnumKey(top.handle, 0, &name);
    if (code == err::kNoMoreItems) {
      if (levels.size() == 1) break;
      const std::wstring emptied = std::move(top.name);
      levels.pop_back();
      path.resize(levels.back().path_size);
      const platform::ErrorCode deleted = store_.DeleteSubKey(levels.back().handle, emptied);
      if (deleted != err::kSuccess) {
        AppendName(path, emptied);
        detail::ThrowIfFailed(deleted, L"Error while deleting registry key " + path);
      }
      continue;
    }
    detail::ThrowIfFailed(code, L"Error while enumerating sub keys of registry key " + path);
    AppendName(path, name);
    platform::KeyHandle child;
    detail::ThrowIfFailed(store_.OpenSubKey(top.handle, name, kRights, &child),
                          L"Error while opening registry key " + path);
    levels.push_back({std::move(child), path.size(), 0, std::move(name)});
  }
  DeleteKey(key);
}

}  // namespace oro::common
