// Settings store port: a hierarchical key/value store with the semantics of the
// Windows registry (five roots, case-insensitive and case-preserving names,
// typed values kept as raw bytes, per-key owner and access list).
//
// Every call is one self-contained operation; results are Win32 error codes
// (0 on success). A KeyHandle is a plain value naming an opened key and the
// rights it was opened with; it owns no resource, so a key deleted after it was
// opened makes later calls on the handle fail with err::kKeyDeleted.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "oro/platform/win32_codes.h"

namespace oro::platform {

enum class RootKey : std::uint8_t {
  kClassesRoot,
  kCurrentConfig,
  kCurrentUser,
  kLocalMachine,
  kUsers,
};

// Value type numbers of the registry; any other number is kept as raw bytes.
namespace regtype {
constexpr std::uint32_t kNone = 0;
constexpr std::uint32_t kSz = 1;
constexpr std::uint32_t kExpandSz = 2;
constexpr std::uint32_t kBinary = 3;
constexpr std::uint32_t kDword = 4;
constexpr std::uint32_t kMultiSz = 7;
constexpr std::uint32_t kQword = 11;
}  // namespace regtype

// Access rights of a key, with the registry's numbers.
namespace keyaccess {
constexpr std::uint32_t kQueryValue = 0x0001;
constexpr std::uint32_t kSetValue = 0x0002;
constexpr std::uint32_t kCreateSubKey = 0x0004;
constexpr std::uint32_t kEnumerateSubKeys = 0x0008;
constexpr std::uint32_t kNotify = 0x0010;
constexpr std::uint32_t kCreateLink = 0x0020;
constexpr std::uint32_t kWow64_64Key = 0x0100;  // accepted and ignored: one view only
constexpr std::uint32_t kDelete = 0x00010000;
constexpr std::uint32_t kReadControl = 0x00020000;
constexpr std::uint32_t kWriteDac = 0x00040000;
constexpr std::uint32_t kWriteOwner = 0x00080000;
constexpr std::uint32_t kRead = 0x00020019;
constexpr std::uint32_t kWrite = 0x00020006;
constexpr std::uint32_t kAllAccess = 0x000F003F;
constexpr std::uint32_t kMaximumAllowed = 0x02000000;
// Rights that change the key or its values: checked against the access list
// for callers that are not administrators.
constexpr std::uint32_t kWriteMask = kSetValue | kCreateSubKey | kCreateLink | kDelete | kWriteDac | kWriteOwner;
}  // namespace keyaccess

// Well-known account names used as owners and trustees.
namespace account {
constexpr const wchar_t* kAdministrators = L"Administrators";
constexpr const wchar_t* kSystem = L"SYSTEM";
constexpr const wchar_t* kLocalService = L"LOCAL SERVICE";
constexpr const wchar_t* kNetworkService = L"NETWORK SERVICE";
constexpr const wchar_t* kUsers = L"Users";
constexpr const wchar_t* kEveryone = L"Everyone";
constexpr const wchar_t* kTrustedInstaller = L"TrustedInstaller";
}  // namespace account

// Inheritance flags of an access entry.
namespace aceflags {
constexpr std::uint32_t kObjectInherit = 0x1;
constexpr std::uint32_t kContainerInherit = 0x2;
}  // namespace aceflags

struct AccessEntry {
  std::wstring trustee;
  std::uint32_t mask = 0;
  std::uint32_t flags = 0;
  bool operator==(const AccessEntry& o) const { return trustee == o.trustee && mask == o.mask && flags == o.flags; }
};

struct KeySecurity {
  std::wstring owner;
  std::vector<AccessEntry> dacl;
};

struct RegValue {
  std::uint32_t type = regtype::kNone;
  std::vector<std::uint8_t> data;
};

struct KeyInfo {
  std::uint32_t sub_keys = 0;
  std::uint32_t values = 0;
};

struct KeyHandle {
  RootKey root = RootKey::kLocalMachine;
  std::wstring sub_key;  // as the caller named it (relative to the parent for OpenSubKey)
  std::int64_t id = 0;   // adapter's identity of the key; 0 for none
  std::uint32_t access = 0;
};

// Who is calling: administrators (root on Linux) hold every right and the
// take-ownership privilege; everybody else is checked against access lists.
struct Caller {
  std::wstring user;
  bool administrator = false;
};

class RegistryStore {
 public:
  virtual ~RegistryStore() = default;

  virtual ErrorCode OpenKey(RootKey root, const std::wstring& sub_key, std::uint32_t access, KeyHandle* out) = 0;
  // Creates every missing key along the path (security applies to the last one;
  // null takes the inheritable entries of the parent). An existing key is opened.
  virtual ErrorCode CreateKey(RootKey root, const std::wstring& sub_key, std::uint32_t access,
                              const KeySecurity* security, KeyHandle* out, bool* created) = 0;
  // Refused with err::kAccessDenied when the key still has sub keys.
  virtual ErrorCode DeleteKey(RootKey root, const std::wstring& sub_key) = 0;

  // The same two, relative to an open key: the path is looked up from the
  // parent, so walking a tree costs one step per key however deep it is. The
  // parent handle needs no particular right; the access check is the child's.
  virtual ErrorCode OpenSubKey(const KeyHandle& parent, const std::wstring& sub_key, std::uint32_t access,
                               KeyHandle* out) = 0;
  virtual ErrorCode DeleteSubKey(const KeyHandle& parent, const std::wstring& sub_key) = 0;

  // out may be null to test for existence only.
  virtual ErrorCode QueryValue(const KeyHandle& key, const std::wstring& name, RegValue* out) = 0;
  virtual ErrorCode SetValue(const KeyHandle& key, const std::wstring& name, std::uint32_t type,
                             const std::uint8_t* data, std::size_t size) = 0;
  virtual ErrorCode DeleteValue(const KeyHandle& key, const std::wstring& name) = 0;

  // Index-based enumeration in a stable order; err::kNoMoreItems past the end.
  virtual ErrorCode EnumKey(const KeyHandle& key, std::uint32_t index, std::wstring* name) = 0;
  virtual ErrorCode EnumValue(const KeyHandle& key, std::uint32_t index, std::wstring* name, RegValue* value) = 0;
  virtual ErrorCode QueryInfo(const KeyHandle& key, KeyInfo* info) = 0;

  // Needs kReadControl on the handle.
  virtual ErrorCode GetSecurity(const KeyHandle& key, KeySecurity* out) = 0;
  // Changes the access list (needs kWriteDac) and/or the owner (needs kWriteOwner).
  virtual ErrorCode SetSecurity(const KeyHandle& key, const KeySecurity& security, bool set_owner, bool set_dacl) = 0;

  virtual Caller CurrentCaller() const = 0;

  // 0 when the store can be used; otherwise the code every call answers with,
  // and in *detail (when given) what kept the store from opening.
  virtual ErrorCode Status(std::string* detail) const = 0;
};

}  // namespace oro::platform
