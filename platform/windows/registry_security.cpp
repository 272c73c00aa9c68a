#include "registry_security.h"

#include <sddl.h>

#include "oro/platform/text.h"

namespace oro::platform::windows_host {
namespace {

struct WellKnown {
  const wchar_t* name;
  const wchar_t* sid;
};

// Names the kit writes into access lists, with fixed SIDs: the account
// database would answer in the system's language, or not at all (the
// installer's service account is unknown to LookupAccountNameW on many systems).
constexpr WellKnown kWellKnown[] = {
    {account::kAdministrators, L"S-1-5-32-544"},
    {account::kUsers, L"S-1-5-32-545"},
    {account::kSystem, L"S-1-5-18"},
    {account::kLocalService, L"S-1-5-19"},
    {account::kNetworkService, L"S-1-5-20"},
    {account::kEveryone, L"S-1-1-0"},
    {account::kTrustedInstaller, L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464"},
};

constexpr ErrorCode kNoneMapped = 1332;

// The inheritance flags an entry may carry; the system's "inherited" mark is
// its own bookkeeping and not part of the port's entries.
constexpr DWORD kInheritFlags =
    OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE | NO_PROPAGATE_INHERIT_ACE | INHERIT_ONLY_ACE;

SidBytes CopySid(PSID sid) {
  const DWORD n = GetLengthSid(sid);
  SidBytes out(n);
  ::CopySid(n, out.data(), sid);
  return out;
}

bool SidFromString(const wchar_t* text, SidBytes* sid) {
  PSID raw = nullptr;
  if (!ConvertStringSidToSidW(text, &raw)) return false;
  *sid = CopySid(raw);
  LocalFree(raw);
  return true;
}

}  // namespace

ErrorCode SidOfName(const std::wstring& name, SidBytes* sid) {
  if (name.empty() || name.find(L'\0') != std::wstring::npos) return err::kInvalidParameter;
  const std::wstring folded = FoldCase(name);
  for (const auto& w : kWellKnown) {
    if (FoldCase(w.name) == folded) return SidFromString(w.sid, sid) ? err::kSuccess : err::kNotEnoughMemory;
  }
  if (folded.rfind(L"S-1-", 0) == 0) return SidFromString(name.c_str(), sid) ? err::kSuccess : kNoneMapped;
  DWORD sid_size = 0;
  DWORD domain_size = 0;
  SID_NAME_USE use;
  LookupAccountNameW(nullptr, name.c_str(), nullptr, &sid_size, nullptr, &domain_size, &use);
  if (sid_size == 0) return kNoneMapped;
  sid->assign(sid_size, 0);
  std::wstring domain(domain_size + 1, L'\0');
  if (!LookupAccountNameW(nullptr, name.c_str(), sid->data(), &sid_size, domain.data(), &domain_size, &use)) {
    return kNoneMapped;
  }
  return err::kSuccess;
}

std::wstring NameOfSid(PSID sid) {
  for (const auto& w : kWellKnown) {
    SidBytes known;
    if (SidFromString(w.sid, &known) && EqualSid(known.data(), sid)) return w.name;
  }
  wchar_t name[256];
  wchar_t domain[256];
  DWORD name_size = 256;
  DWORD domain_size = 256;
  SID_NAME_USE use;
  if (LookupAccountSidW(nullptr, sid, name, &name_size, domain, &domain_size, &use) && name_size > 0) {
    return std::wstring(name, name_size);
  }
  wchar_t* text = nullptr;
  if (!ConvertSidToStringSidW(sid, &text)) return L"";
  std::wstring out(text);
  LocalFree(text);
  return out;
}

ErrorCode Descriptor::Build(const KeySecurity& security, bool with_owner, bool with_dacl) {
  parts_ = 0;
  if (!InitializeSecurityDescriptor(&sd_, SECURITY_DESCRIPTOR_REVISION)) return GetLastError();
  if (with_owner) {
    if (security.owner.empty()) return err::kInvalidOwner;
    if (SidOfName(security.owner, &owner_) != err::kSuccess) return err::kInvalidOwner;
    if (!SetSecurityDescriptorOwner(&sd_, owner_.data(), FALSE)) return GetLastError();
    parts_ |= OWNER_SECURITY_INFORMATION;
  }
  if (with_dacl) {
    std::vector<SidBytes> sids;
    DWORD size = sizeof(ACL);
    for (const auto& e : security.dacl) {
      if (e.trustee.empty()) return err::kInvalidParameter;
      SidBytes sid;
      if (ErrorCode rc = SidOfName(e.trustee, &sid)) return rc;
      size += sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + static_cast<DWORD>(sid.size());
      sids.push_back(std::move(sid));
    }
    if (size > 0xFFFF) return err::kInvalidParameter;  // an access list's size is 16 bits
    acl_.assign(size, 0);
    auto* acl = reinterpret_cast<PACL>(acl_.data());
    if (!InitializeAcl(acl, size, ACL_REVISION)) return GetLastError();
    for (std::size_t i = 0; i < sids.size(); ++i) {
      const auto flags = static_cast<DWORD>(security.dacl[i].flags) & kInheritFlags;
      if (flags != security.dacl[i].flags) return err::kInvalidParameter;
      if (!AddAccessAllowedAceEx(acl, ACL_REVISION, flags, security.dacl[i].mask, sids[i].data())) {
        return GetLastError();
      }
    }
    if (!SetSecurityDescriptorDacl(&sd_, TRUE, acl, FALSE)) return GetLastError();
    parts_ |= DACL_SECURITY_INFORMATION;
  }
  return err::kSuccess;
}

ErrorCode ReadKeySecurity(HKEY key, KeySecurity* out) {
  std::vector<std::uint8_t> buffer(512);
  for (;;) {
    auto size = static_cast<DWORD>(buffer.size());
    const LONG rc =
        RegGetKeySecurity(key, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, buffer.data(), &size);
    if (rc == ERROR_SUCCESS) break;
    if (rc != ERROR_INSUFFICIENT_BUFFER || size <= buffer.size()) return static_cast<ErrorCode>(rc);
    buffer.resize(size);
  }
  PSECURITY_DESCRIPTOR sd = buffer.data();
  KeySecurity security;
  PSID owner = nullptr;
  BOOL defaulted = FALSE;
  if (GetSecurityDescriptorOwner(sd, &owner, &defaulted) && owner) security.owner = NameOfSid(owner);
  BOOL present = FALSE;
  PACL dacl = nullptr;
  if (GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted) && present && dacl) {
    for (DWORD i = 0; i < dacl->AceCount; ++i) {
      void* ace = nullptr;
      if (!GetAce(dacl, i, &ace)) continue;
      const auto* header = static_cast<ACE_HEADER*>(ace);
      if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) continue;
      const auto* allowed = static_cast<ACCESS_ALLOWED_ACE*>(ace);
      security.dacl.push_back(AccessEntry{NameOfSid(const_cast<DWORD*>(&allowed->SidStart)), allowed->Mask,
                                          static_cast<std::uint32_t>(header->AceFlags & kInheritFlags)});
    }
  }
  *out = std::move(security);
  return err::kSuccess;
}

Caller CallerFromToken(SidBytes* user_sid) {
  Caller caller;
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return caller;
  std::vector<std::uint8_t> buffer(256);
  DWORD size = 0;
  if (!GetTokenInformation(token, TokenUser, buffer.data(), static_cast<DWORD>(buffer.size()), &size) &&
      size > buffer.size()) {
    buffer.resize(size);
    GetTokenInformation(token, TokenUser, buffer.data(), static_cast<DWORD>(buffer.size()), &size);
  }
  PSID sid = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
  if (sid && IsValidSid(sid)) {
    caller.user = NameOfSid(sid);
    if (user_sid) *user_sid = CopySid(sid);
  }
  // An administrator is a member of Administrators whose token is elevated:
  // under UAC the group is deny-only in a filtered token, and then the caller
  // is held to access lists like anybody else.
  TOKEN_ELEVATION elevation{};
  const bool elevated =
      GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) && elevation.TokenIsElevated != 0;
  CloseHandle(token);
  SidBytes admins;
  BOOL member = FALSE;
  if (SidFromString(L"S-1-5-32-544", &admins) && CheckTokenMembership(nullptr, admins.data(), &member)) {
    caller.administrator = member && elevated;
  }
  return caller;
}

ScopedPrivileges::ScopedPrivileges(std::initializer_list<const wchar_t*> names) {
  const DWORD rights = TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY;
  if (!OpenThreadToken(GetCurrentThread(), rights, TRUE, &token_)) {
    if (!ImpersonateSelf(SecurityImpersonation)) return;
    impersonating_ = true;
    if (!OpenThreadToken(GetCurrentThread(), rights, TRUE, &token_)) {
      token_ = nullptr;
      return;
    }
  }
  std::vector<std::uint8_t> wanted(sizeof(TOKEN_PRIVILEGES) + names.size() * sizeof(LUID_AND_ATTRIBUTES));
  auto* privileges = reinterpret_cast<TOKEN_PRIVILEGES*>(wanted.data());
  privileges->PrivilegeCount = 0;
  for (const wchar_t* name : names) {
    LUID luid;
    if (!LookupPrivilegeValueW(nullptr, name, &luid)) continue;
    privileges->Privileges[privileges->PrivilegeCount++] = {luid, SE_PRIVILEGE_ENABLED};
  }
  previous_.assign(wanted.size(), 0);
  DWORD size = static_cast<DWORD>(previous_.size());
  if (!AdjustTokenPrivileges(token_, FALSE, privileges, size, reinterpret_cast<TOKEN_PRIVILEGES*>(previous_.data()),
                             &size)) {
    previous_.clear();
  }
}

ScopedPrivileges::~ScopedPrivileges() {
  if (token_ && !impersonating_ && !previous_.empty()) {
    AdjustTokenPrivileges(token_, FALSE, reinterpret_cast<TOKEN_PRIVILEGES*>(previous_.data()), 0, nullptr, nullptr);
  }
  if (token_) CloseHandle(token_);
  if (impersonating_) RevertToSelf();
}

}  // namespace oro::platform::windows_host
