#include "oro/platform/root_keys.h"

#include "oro/platform/text.h"

namespace oro::platform {
namespace {

struct RootEntry {
  RootKey root;
  const wchar_t* name;
  const wchar_t* abbreviation;
};

constexpr RootEntry kRoots[] = {
    {RootKey::kClassesRoot, L"HKEY_CLASSES_ROOT", L"HKCR"},
    {RootKey::kCurrentConfig, L"HKEY_CURRENT_CONFIG", L"HKCC"},
    {RootKey::kCurrentUser, L"HKEY_CURRENT_USER", L"HKCU"},
    {RootKey::kLocalMachine, L"HKEY_LOCAL_MACHINE", L"HKLM"},
    {RootKey::kUsers, L"HKEY_USERS", L"HKU"},
};

const RootEntry* Find(RootKey root) {
  for (const auto& entry : kRoots) {
    if (entry.root == root) return &entry;
  }
  return nullptr;
}

}  // namespace

const wchar_t* RootKeyName(RootKey root) {
  const RootEntry* entry = Find(root);
  return entry ? entry->name : L"";
}

const wchar_t* RootKeyAbbreviation(RootKey root) {
  const RootEntry* entry = Find(root);
  return entry ? entry->abbreviation : L"";
}

bool RootKeyFromName(const std::wstring& name, RootKey* root) {
  const std::wstring upper = FoldCase(name);
  for (const auto& entry : kRoots) {
    if (upper == entry.name) {
      *root = entry.root;
      return true;
    }
  }
  return false;
}

bool RootKeyFromNameOrAbbreviation(const std::wstring& name, RootKey* root) {
  if (RootKeyFromName(name, root)) return true;
  const std::wstring upper = FoldCase(name);
  for (const auto& entry : kRoots) {
    if (upper == entry.abbreviation) {
      *root = entry.root;
      return true;
    }
  }
  return false;
}

}  // namespace oro::platform
