// The settings store over advapi32, always in the 64-bit view. Names, paths
// and handle rights are checked here first, so every adapter of the port
// refuses the same input with the same code; the rest is the system's answer.
#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "oro/platform/root_keys.h"
#include "oro/platform/text.h"
#include "oro/platform/windows/windows_adapters.h"
#include "oro/platform/windows/windows_registry_store.h"
#include "registry_key_table.h"
#include "registry_security.h"

namespace oro::platform::windows_host {
namespace {

constexpr std::size_t kMaxKeyNameUnits = 255;
constexpr std::size_t kMaxValueNameUnits = 16383;
constexpr std::size_t kMaxKeyDepth = 512;  // levels below a root, as the registry allows
constexpr REGSAM kView = KEY_WOW64_64KEY;

constexpr std::uint32_t kGenericRead = 0x80000000;
constexpr std::uint32_t kGenericWrite = 0x40000000;
constexpr std::uint32_t kGenericExecute = 0x20000000;
constexpr std::uint32_t kGenericAll = 0x10000000;

}  // namespace
}  // namespace oro::platform::windows_host

// RegSetValueExW adds a terminating zero to a string that lacks one when the
// memory after it happens to hold a zero; the store keeps bytes exactly, so
// values go through the native call.
extern "C" NTSTATUS NTAPI NtSetValueKey(HANDLE key, PUNICODE_STRING name, ULONG title_index, ULONG type, PVOID data,
                                        ULONG size);

namespace oro::platform::windows_host {
namespace {

ErrorCode SplitKeyPath(const std::wstring& path, std::vector<std::wstring>* segments) {
  segments->clear();
  if (path.empty()) return err::kSuccess;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = path.find(L'\\', start);
    std::wstring seg = path.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
    if (seg.empty() || seg.find(L'\0') != std::wstring::npos) return err::kBadKey;
    if (seg.size() > kMaxKeyNameUnits) return err::kInvalidParameter;
    segments->push_back(std::move(seg));
    if (segments->size() > kMaxKeyDepth) return err::kInvalidParameter;
    if (end == std::wstring::npos) return err::kSuccess;
    start = end + 1;
  }
}

ErrorCode CheckValueName(const std::wstring& name) {
  // The system's calls end a name at a zero: "a\0b" would reach the value "a".
  if (name.find(L'\0') != std::wstring::npos || name.size() > kMaxValueNameUnits) return err::kInvalidParameter;
  return err::kSuccess;
}

// kInvalidParameter for an output or name the caller did not give.
ErrorCode Given(const void* p) { return p ? err::kSuccess : err::kInvalidParameter; }

ErrorCode CheckHandle(const KeyHandle& key, std::uint32_t needed) {
  if (key.id <= 0) return err::kInvalidHandle;
  if ((key.access & needed) != needed) return err::kAccessDenied;
  return err::kSuccess;
}

std::uint32_t NormalizeAccess(std::uint32_t access) {
  std::uint32_t out = access & ~(kGenericRead | kGenericWrite | kGenericExecute | kGenericAll | KEY_WOW64_64KEY |
                                 KEY_WOW64_32KEY | MAXIMUM_ALLOWED);
  if (access & (kGenericRead | kGenericExecute)) out |= keyaccess::kRead;
  if (access & kGenericWrite) out |= keyaccess::kWrite;
  if (access & kGenericAll) out |= keyaccess::kAllAccess;
  return out;
}

// The rights the system granted the handle (MAXIMUM_ALLOWED resolved).
std::uint32_t GrantedAccess(HKEY key, std::uint32_t asked) {
  PUBLIC_OBJECT_BASIC_INFORMATION info{};
  ULONG size = 0;
  if (NtQueryObject(key, ObjectBasicInformation, &info, sizeof info, &size) >= 0 && info.GrantedAccess != 0) {
    return static_cast<std::uint32_t>(info.GrantedAccess);
  }
  return NormalizeAccess(asked);
}

std::wstring JoinFolded(const std::wstring& base, const std::vector<std::wstring>& segments) {
  std::wstring path = base;
  for (const auto& s : segments) path += L"\\" + FoldCase(s);
  return path;
}

std::wstring Joined(const std::vector<std::wstring>& segments, std::size_t count) {
  std::wstring path;
  for (std::size_t i = 0; i < count; ++i) path += (i ? L"\\" : L"") + segments[i];
  return path;
}

KeySecurity DefaultRootSecurity() {
  constexpr std::uint32_t kInherit = aceflags::kContainerInherit | aceflags::kObjectInherit;
  return KeySecurity{account::kAdministrators,
                     {{account::kAdministrators, keyaccess::kAllAccess, kInherit},
                      {account::kSystem, keyaccess::kAllAccess, kInherit},
                      {account::kUsers, keyaccess::kRead, kInherit}}};
}

class WindowsRegistryStore final : public RegistryStore {
 public:
  // `base` empty: the system's own roots.
  explicit WindowsRegistryStore(const std::wstring& base) {
    caller_ = CallerFromToken(&user_sid_);
    const RootKey roots[] = {RootKey::kClassesRoot, RootKey::kCurrentConfig, RootKey::kCurrentUser,
                             RootKey::kLocalMachine, RootKey::kUsers};
    if (base.empty()) {
      const HKEY predefined[] = {HKEY_CLASSES_ROOT, HKEY_CURRENT_CONFIG, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE,
                                 HKEY_USERS};
      for (std::size_t i = 0; i < 5; ++i) {
        roots_[i] = predefined[i];
        root_paths_[i] = FoldCase(RootKeyName(roots[i]));
      }
      return;
    }
    for (std::size_t i = 0; i < 5; ++i) {
      const std::wstring sub = base + L"\\" + RootKeyName(roots[i]);
      HKEY key = nullptr;
      DWORD disposition = 0;
      // Reading rights, so a root the store could not use is reported here.
      LONG rc = RegCreateKeyExW(HKEY_CURRENT_USER, sub.c_str(), 0, nullptr, 0,
                                KEY_READ | WRITE_DAC | WRITE_OWNER | kView, nullptr, &key, &disposition);
      if (rc == ERROR_SUCCESS && disposition == REG_CREATED_NEW_KEY) {
        Descriptor sd;
        rc = sd.Build(DefaultRootSecurity(), true, true);
        if (rc == ERROR_SUCCESS) rc = RegSetKeySecurity(key, sd.Parts(), sd.Get());
      }
      if (rc != ERROR_SUCCESS) {
        status_ = static_cast<ErrorCode>(rc);
        detail_ = "cannot open HKEY_CURRENT_USER\\" + ToUtf8(sub) + ": " + std::to_string(rc);
        return;
      }
      owned_roots_.push_back(std::make_shared<OpenedKey>(key));
      roots_[i] = key;
      root_paths_[i] = FoldCase(L"HKEY_CURRENT_USER\\" + sub);
    }
  }

  ErrorCode OpenKey(RootKey root, const std::wstring& sub_key, std::uint32_t access, KeyHandle* out) override {
    if (!out || !ValidRoot(root)) return err::kInvalidParameter;
    std::vector<std::wstring> segments;
    if (ErrorCode rc = SplitKeyPath(sub_key, &segments)) return rc;
    if (status_) return status_;
    const auto r = static_cast<std::size_t>(root);
    return OpenFrom(roots_[r], root_paths_[r], 0, root, sub_key, segments, access, out);
  }

  ErrorCode OpenSubKey(const KeyHandle& parent, const std::wstring& sub_key, std::uint32_t access,
                       KeyHandle* out) override {
    if (!out) return err::kInvalidParameter;
    std::vector<std::wstring> segments;
    KnownKey from;
    if (ErrorCode rc = ParentFor(parent, sub_key, false, &segments, &from)) return rc;
    if (from.depth + segments.size() > kMaxKeyDepth) return err::kInvalidParameter;
    return OpenFrom(from.key->Get(), from.path, from.depth, parent.root, sub_key, segments, access, out);
  }

  ErrorCode CreateKey(RootKey root, const std::wstring& sub_key, std::uint32_t access, const KeySecurity* security,
                      KeyHandle* out, bool* created) override {
    if (!out || !ValidRoot(root)) return err::kInvalidParameter;
    std::vector<std::wstring> segments;
    if (ErrorCode rc = SplitKeyPath(sub_key, &segments)) return rc;
    if (status_) return status_;
    // Refuse what cannot be stored before anything is made.
    KeySecurity given;
    if (security) {
      given = *security;
      if (given.owner.empty()) given.owner = OwnOwner();
      Descriptor check;
      if (ErrorCode rc = check.Build(given, true, true)) return rc;
      if (!caller_.administrator && FoldCase(given.owner) != FoldCase(OwnOwner())) return err::kInvalidOwner;
    }
    const auto r = static_cast<std::size_t>(root);
    KeyHandle opened;
    ErrorCode rc = OpenFrom(roots_[r], root_paths_[r], 0, root, sub_key, segments, access, &opened);
    if (rc != err::kFileNotFound) {
      if (rc == err::kSuccess) {
        *out = opened;
        if (created) *created = false;
      }
      return rc;
    }

    // Walk down to the deepest key there is, then make the rest: the last
    // with the security given, the others (and the last without one) with
    // what the system gives a new key, its inheritance from the parent.
    std::vector<KeyRef> chain;  // chain[i]: the key of the first i segments
    chain.push_back(nullptr);
    std::size_t have = 0;
    for (; have < segments.size(); ++have) {
      HKEY parent = chain.back() ? chain.back()->Get() : roots_[r];
      HKEY next = nullptr;
      const LONG open_rc = RegOpenKeyExW(parent, segments[have].c_str(), 0, MAXIMUM_ALLOWED | kView, &next);
      if (open_rc == ERROR_FILE_NOT_FOUND) break;
      if (open_rc != ERROR_SUCCESS) return static_cast<ErrorCode>(open_rc);
      chain.push_back(std::make_shared<OpenedKey>(next));
    }
    std::vector<std::size_t> made;  // indexes into chain of keys this call created
    auto undo = [&] {
      for (auto it = made.rbegin(); it != made.rend(); ++it) {
        HKEY parent = chain[*it - 1] ? chain[*it - 1]->Get() : roots_[r];
        RegDeleteKeyExW(parent, segments[*it - 1].c_str(), kView, 0);
      }
    };
    for (std::size_t i = have; i < segments.size(); ++i) {
      HKEY parent = chain.back() ? chain.back()->Get() : roots_[r];
      const bool last = i + 1 == segments.size();
      KeyRef child;
      if (ErrorCode make_rc = MakeKey(parent, segments[i], last && security ? &given : nullptr, &child)) {
        undo();
        return make_rc;
      }
      chain.push_back(child);
      made.push_back(chain.size() - 1);
    }
    rc = OpenFrom(roots_[r], root_paths_[r], 0, root, sub_key, segments, access, &opened);
    if (rc != err::kSuccess) {
      // A right the new key does not grant: nothing stays half-made.
      undo();
      return rc;
    }
    *out = opened;
    if (created) *created = !made.empty() && made.back() == segments.size();
    return err::kSuccess;
  }

  ErrorCode DeleteKey(RootKey root, const std::wstring& sub_key) override {
    if (!ValidRoot(root)) return err::kInvalidParameter;
    std::vector<std::wstring> segments;
    if (ErrorCode rc = SplitKeyPath(sub_key, &segments)) return rc;
    if (status_) return status_;
    if (segments.empty()) return err::kAccessDenied;  // a root is never deleted
    return DeleteBelow(roots_[static_cast<std::size_t>(root)], sub_key);
  }

  ErrorCode DeleteSubKey(const KeyHandle& parent, const std::wstring& sub_key) override {
    std::vector<std::wstring> segments;
    KnownKey from;
    if (ErrorCode rc = ParentFor(parent, sub_key, true, &segments, &from)) return rc;
    if (segments.empty()) return err::kAccessDenied;  // a key is deleted from its parent
    return DeleteBelow(from.key->Get(), sub_key);
  }

  ErrorCode QueryValue(const KeyHandle& key, const std::wstring& name, RegValue* out) override {
    KeyRef k;
    if (ErrorCode rc = Usable(key, keyaccess::kQueryValue, CheckValueName(name), false, &k)) return rc;
    return ReadValue(k->Get(), name, out);
  }

  ErrorCode SetValue(const KeyHandle& key, const std::wstring& name, std::uint32_t type, const std::uint8_t* data,
                     std::size_t size) override {
    ErrorCode args = CheckValueName(name);
    if (!args && ((!data && size > 0) || size > 0xFFFFFFFFu)) args = err::kInvalidParameter;
    KeyRef k;
    if (ErrorCode rc = Usable(key, keyaccess::kSetValue, args, false, &k)) return rc;
    UNICODE_STRING native_name;
    native_name.Buffer = const_cast<wchar_t*>(name.c_str());
    native_name.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    native_name.MaximumLength = native_name.Length;
    std::uint8_t none = 0;
    const NTSTATUS status = NtSetValueKey(k->Get(), &native_name, 0, type,
                                          const_cast<std::uint8_t*>(data ? data : &none), static_cast<ULONG>(size));
    return status >= 0 ? err::kSuccess : static_cast<ErrorCode>(RtlNtStatusToDosError(status));
  }

  ErrorCode DeleteValue(const KeyHandle& key, const std::wstring& name) override {
    KeyRef k;
    if (ErrorCode rc = Usable(key, keyaccess::kSetValue, CheckValueName(name), false, &k)) return rc;
    return static_cast<ErrorCode>(RegDeleteValueW(k->Get(), name.c_str()));
  }

  ErrorCode EnumKey(const KeyHandle& key, std::uint32_t index, std::wstring* name) override {
    KeyRef k;
    if (ErrorCode rc = Usable(key, keyaccess::kEnumerateSubKeys, Given(name), false, &k)) return rc;
    wchar_t buffer[kMaxKeyNameUnits + 1];
    DWORD size = kMaxKeyNameUnits + 1;
    const LONG rc = RegEnumKeyExW(k->Get(), index, buffer, &size, nullptr, nullptr, nullptr, nullptr);
    if (rc != ERROR_SUCCESS) return static_cast<ErrorCode>(rc);
    name->assign(buffer, size);
    return err::kSuccess;
  }

  // The system lists values in the order they were written; the port lists
  // them by folded name, like sub keys.
  ErrorCode EnumValue(const KeyHandle& key, std::uint32_t index, std::wstring* name, RegValue* value) override {
    KeyRef k;
    if (ErrorCode rc = Usable(key, keyaccess::kQueryValue, err::kSuccess, false, &k)) return rc;
    std::vector<std::pair<std::wstring, std::wstring>> names;  // folded, as stored
    std::vector<wchar_t> buffer(kMaxValueNameUnits + 1);
    for (DWORD i = 0;; ++i) {
      DWORD size = static_cast<DWORD>(buffer.size());
      const LONG rc = RegEnumValueW(k->Get(), i, buffer.data(), &size, nullptr, nullptr, nullptr, nullptr);
      if (rc == ERROR_NO_MORE_ITEMS) break;
      if (rc != ERROR_SUCCESS) return static_cast<ErrorCode>(rc);
      std::wstring stored(buffer.data(), size);
      names.emplace_back(FoldCase(stored), std::move(stored));
    }
    if (index >= names.size()) return err::kNoMoreItems;
    std::nth_element(names.begin(), names.begin() + index, names.end());
    const std::wstring found = names[index].second;
    if (value) {
      if (ErrorCode rc = ReadValue(k->Get(), found, value)) return rc;
    }
    if (name) *name = found;
    return err::kSuccess;
  }

  ErrorCode QueryInfo(const KeyHandle& key, KeyInfo* info) override {
    KeyRef k;
    if (ErrorCode rc = Usable(key, keyaccess::kQueryValue, Given(info), false, &k)) return rc;
    DWORD sub_keys = 0;
    DWORD values = 0;
    const LONG rc = RegQueryInfoKeyW(k->Get(), nullptr, nullptr, nullptr, &sub_keys, nullptr, nullptr, &values, nullptr,
                                     nullptr, nullptr, nullptr);
    if (rc != ERROR_SUCCESS) return static_cast<ErrorCode>(rc);
    info->sub_keys = sub_keys;
    info->values = values;
    return err::kSuccess;
  }

  ErrorCode GetSecurity(const KeyHandle& key, KeySecurity* out) override {
    KeyRef k;
    if (ErrorCode rc = Usable(key, keyaccess::kReadControl, Given(out), true, &k)) return rc;
    return ReadKeySecurity(k->Get(), out);
  }

  ErrorCode SetSecurity(const KeyHandle& key, const KeySecurity& security, bool set_owner, bool set_dacl) override {
    const std::uint32_t needed = (set_owner ? keyaccess::kWriteOwner : 0) | (set_dacl ? keyaccess::kWriteDac : 0);
    Descriptor sd;
    const ErrorCode args = sd.Build(security, set_owner, set_dacl);
    KeyRef k;
    if (ErrorCode rc = Usable(key, needed, args, true, &k)) return rc;
    if (!set_owner && !set_dacl) return err::kSuccess;
    return WriteSecurity(k->Get(), sd);
  }

  Caller CurrentCaller() const override { return caller_; }

  ErrorCode Status(std::string* detail) const override {
    if (detail) *detail = detail_;
    return status_;
  }

 private:
  static bool ValidRoot(RootKey root) {
    return static_cast<std::uint8_t>(root) <= static_cast<std::uint8_t>(RootKey::kUsers);
  }

  // Who new keys belong to: an administrator's keys to the Administrators
  // group (as an elevated token's default owner), anybody else's to them.
  std::wstring OwnOwner() const {
    if (caller_.administrator) return account::kAdministrators;
    return NameOfSid(const_cast<std::uint8_t*>(user_sid_.data()));
  }

  // A call below an open key: the handle, the path, the key it names.
  ErrorCode ParentFor(const KeyHandle& parent, const std::wstring& sub_key, bool check_alive,
                      std::vector<std::wstring>* segments, KnownKey* from) {
    if (ErrorCode rc = CheckHandle(parent, 0)) return rc;
    if (ErrorCode rc = SplitKeyPath(sub_key, segments)) return rc;
    if (status_) return status_;
    bool exact = false;
    return KeyTable::Instance().Find(parent.id, parent.access, check_alive, from, &exact);
  }

  // The checks every call on an open key makes, in this order: the handle's
  // rights, the call's own arguments (`args`, already checked), the key.
  ErrorCode Usable(const KeyHandle& key, std::uint32_t needed, ErrorCode args, bool check_alive, KeyRef* out) {
    if (ErrorCode rc = CheckHandle(key, needed)) return rc;
    if (args) return args;
    return HandleFor(key, check_alive, out);
  }

  // The system handle for a port handle: the one filed with the handle's
  // rights, or a new one opened with them from any handle of the key (the
  // system checks them again).
  ErrorCode HandleFor(const KeyHandle& key, bool check_alive, KeyRef* out) {
    if (status_) return status_;
    KnownKey known;
    bool exact = false;
    if (ErrorCode rc = KeyTable::Instance().Find(key.id, key.access, check_alive, &known, &exact)) return rc;
    if (exact) {
      *out = known.key;
      return err::kSuccess;
    }
    HKEY reopened = nullptr;
    const LONG rc = RegOpenKeyExW(known.key->Get(), L"", 0, key.access | kView, &reopened);
    if (rc != ERROR_SUCCESS) return static_cast<ErrorCode>(rc);
    *out = std::make_shared<OpenedKey>(reopened);
    KeyTable::Instance().Register(known.path, known.depth, key.access, *out);
    return err::kSuccess;
  }

  ErrorCode OpenFrom(HKEY start, const std::wstring& start_path, std::size_t start_depth, RootKey root,
                     const std::wstring& sub_key, const std::vector<std::wstring>& segments, std::uint32_t access,
                     KeyHandle* out) {
    if (start_depth + segments.size() > kMaxKeyDepth) return err::kInvalidParameter;
    const std::wstring relative = Joined(segments, segments.size());
    HKEY key = nullptr;
    LONG rc = RegOpenKeyExW(start, relative.c_str(), 0, access | kView, &key);
    if (rc == ERROR_ACCESS_DENIED && caller_.administrator) {
      // An administrator may take a key over whatever its list says, as the
      // registry module does with the endpoint keys; the privilege stays on
      // this thread and only for this call.
      // (Wine grants nothing for these privileges: there the list decides.)
      ScopedPrivileges privileges({SE_TAKE_OWNERSHIP_NAME, SE_BACKUP_NAME, SE_RESTORE_NAME});
      rc = RegOpenKeyExW(start, relative.c_str(), REG_OPTION_BACKUP_RESTORE, access | kView, &key);
    }
    if (rc != ERROR_SUCCESS) return static_cast<ErrorCode>(rc);
    const std::uint32_t granted = GrantedAccess(key, access);
    auto ref = std::make_shared<OpenedKey>(key);
    const std::int64_t id =
        KeyTable::Instance().Register(JoinFolded(start_path, segments), start_depth + segments.size(), granted, ref);
    *out = KeyHandle{root, sub_key, id, granted};
    return err::kSuccess;
  }

  // One new key below `parent`: with exactly `security` when given (it goes
  // in with the creation and is written again afterwards, as Wine ignores
  // the one given at creation), else as the system makes it.
  ErrorCode MakeKey(HKEY parent, const std::wstring& name, const KeySecurity* security, KeyRef* out) {
    Descriptor sd;
    if (security) {
      if (ErrorCode rc = sd.Build(*security, true, true)) return rc;
    }
    SECURITY_ATTRIBUTES attributes{sizeof attributes, sd.Get(), FALSE};
    HKEY key = nullptr;
    DWORD disposition = 0;
    const REGSAM rights = security ? READ_CONTROL | WRITE_DAC | WRITE_OWNER : READ_CONTROL;
    LONG rc = RegCreateKeyExW(parent, name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, rights | kView,
                              security ? &attributes : nullptr, &key, &disposition);
    if (rc != ERROR_SUCCESS) return static_cast<ErrorCode>(rc);
    auto ref = std::make_shared<OpenedKey>(key);
    if (disposition != REG_CREATED_NEW_KEY) return err::kAlreadyExists;  // somebody else was quicker
    KeySecurity now;
    if (security && (ReadKeySecurity(key, &now) != err::kSuccess || now.owner != security->owner ||
                     !(now.dacl == security->dacl))) {
      if (ErrorCode write_rc = WriteSecurity(key, sd)) {
        RegDeleteKeyExW(parent, name.c_str(), kView, 0);
        return write_rc;
      }
    }
    *out = std::move(ref);
    return err::kSuccess;
  }

  ErrorCode WriteSecurity(HKEY key, Descriptor& sd) {
    LONG rc = RegSetKeySecurity(key, sd.Parts(), sd.Get());
    if ((rc == ERROR_INVALID_OWNER || rc == ERROR_ACCESS_DENIED) && caller_.administrator) {
      // Naming another account as owner takes the restore privilege.
      ScopedPrivileges privileges({SE_RESTORE_NAME, SE_TAKE_OWNERSHIP_NAME});
      rc = RegSetKeySecurity(key, sd.Parts(), sd.Get());
    }
    return static_cast<ErrorCode>(rc);
  }

  ErrorCode DeleteBelow(HKEY start, const std::wstring& relative) {
    LONG rc = RegDeleteKeyExW(start, relative.c_str(), kView, 0);
    if (rc == ERROR_ACCESS_DENIED && caller_.administrator) {
      ScopedPrivileges privileges({SE_BACKUP_NAME, SE_RESTORE_NAME});
      rc = RegDeleteKeyExW(start, relative.c_str(), kView, 0);
    }
    return static_cast<ErrorCode>(rc);
  }

  static ErrorCode ReadValue(HKEY key, const std::wstring& name, RegValue* out) {
    DWORD type = 0;
    DWORD size = 0;
    LONG rc = RegQueryValueExW(key, name.c_str(), nullptr, &type, nullptr, &size);
    if (rc != ERROR_SUCCESS || !out) return static_cast<ErrorCode>(rc);
    std::vector<std::uint8_t> data;
    for (;;) {
      // Room for the zero the call may append after a string.
      data.resize(size + sizeof(wchar_t));
      DWORD got = size;
      rc = RegQueryValueExW(key, name.c_str(), nullptr, &type, data.data(), &got);
      if (rc == ERROR_MORE_DATA) {
        size = got;  // it grew in between
        continue;
      }
      if (rc != ERROR_SUCCESS) return static_cast<ErrorCode>(rc);
      data.resize(got);
      break;
    }
    out->type = type;
    out->data = std::move(data);
    return err::kSuccess;
  }

  Caller caller_;
  SidBytes user_sid_;
  HKEY roots_[5] = {};
  std::wstring root_paths_[5];
  std::vector<KeyRef> owned_roots_;
  ErrorCode status_ = err::kSuccess;
  std::string detail_;
};

}  // namespace

std::unique_ptr<RegistryStore> MakeWindowsRegistryStore() { return std::make_unique<WindowsRegistryStore>(L""); }

std::unique_ptr<RegistryStore> MakeRedirectedRegistryStore(const std::wstring& base) {
  return std::make_unique<WindowsRegistryStore>(base);
}

}  // namespace oro::platform::windows_host
