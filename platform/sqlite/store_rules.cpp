#include "store_rules.h"

#include <pwd.h>
#include <unistd.h>

#include "oro/platform/root_keys.h"
#include "oro/platform/text.h"

namespace oro::platform::sqlite {
namespace {

constexpr std::uint32_t kGenericRead = 0x80000000;
constexpr std::uint32_t kGenericWrite = 0x40000000;
constexpr std::uint32_t kGenericExecute = 0x20000000;
constexpr std::uint32_t kGenericAll = 0x10000000;
constexpr std::uint32_t kWow64_32Key = 0x0200;

// Characters a UTF-8 text column keeps exactly: no NUL (names end there in
// the registry's own interface), no lone surrogates.
bool Storable(wchar_t c) {
  auto u = static_cast<std::uint32_t>(c);
  return u != 0 && !(u >= 0xD800 && u <= 0xDFFF) && u <= 0x10FFFF;
}

std::size_t Utf16Units(const std::wstring& s) {
  std::size_t n = 0;
  for (wchar_t c : s) n += static_cast<std::uint32_t>(c) > 0xFFFF ? 2 : 1;
  return n;
}

bool SameName(const std::wstring& a, const std::wstring& b) { return FoldCase(a) == FoldCase(b); }

}  // namespace

ErrorCode SplitKeyPath(const std::wstring& path, std::vector<std::wstring>* segments) {
  segments->clear();
  if (path.empty()) return err::kSuccess;
  std::size_t start = 0;
  while (true) {
    std::size_t end = path.find(L'\\', start);
    std::wstring seg = path.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
    if (seg.empty()) return err::kBadKey;
    for (wchar_t c : seg) {
      if (!Storable(c)) return err::kBadKey;
    }
    if (Utf16Units(seg) > kMaxKeyNameUnits) return err::kInvalidParameter;
    segments->push_back(std::move(seg));
    if (segments->size() > kMaxKeyDepth) return err::kInvalidParameter;
    if (end == std::wstring::npos) break;
    start = end + 1;
  }
  return err::kSuccess;
}

ErrorCode CheckValueName(const std::wstring& name) {
  for (wchar_t c : name) {
    if (!Storable(c)) return err::kInvalidParameter;
  }
  return Utf16Units(name) > kMaxValueNameUnits ? err::kInvalidParameter : err::kSuccess;
}

std::string FoldedUtf8(const std::wstring& name) { return ToUtf8(FoldCase(name)); }

const wchar_t* RootName(RootKey root) { return RootKeyName(root); }

bool ValidRoot(RootKey root) { return static_cast<std::uint8_t>(root) <= static_cast<std::uint8_t>(RootKey::kUsers); }

std::int64_t RootId(RootKey root) { return static_cast<std::int64_t>(root) + 1; }

Caller CallerFromProcess() {
  Caller c;
  const uid_t uid = geteuid();
  c.administrator = uid == 0;
  passwd pw{};
  passwd* found = nullptr;
  std::vector<char> buf(16384);
  if (getpwuid_r(uid, &pw, buf.data(), buf.size(), &found) == 0 && found && found->pw_name) {
    c.user = FromUtf8(found->pw_name);
  } else {
    c.user = std::to_wstring(uid);
  }
  return c;
}

std::wstring OwnerFor(const Caller& caller) {
  return caller.administrator ? std::wstring(account::kAdministrators) : caller.user;
}

KeySecurity RootSecurity() {
  constexpr std::uint32_t kInherit = aceflags::kContainerInherit | aceflags::kObjectInherit;
  KeySecurity s;
  s.owner = account::kAdministrators;
  s.dacl = {{account::kAdministrators, keyaccess::kAllAccess, kInherit},
            {account::kSystem, keyaccess::kAllAccess, kInherit},
            {account::kUsers, keyaccess::kRead, kInherit}};
  return s;
}

std::vector<AccessEntry> InheritedEntries(const std::vector<AccessEntry>& parent) {
  std::vector<AccessEntry> out;
  for (const auto& e : parent) {
    if (e.flags & aceflags::kContainerInherit) out.push_back(e);
  }
  return out;
}

std::uint32_t NormalizeAccess(std::uint32_t access) {
  std::uint32_t out =
      access & ~(kGenericRead | kGenericWrite | kGenericExecute | kGenericAll | keyaccess::kWow64_64Key | kWow64_32Key);
  if (access & (kGenericRead | kGenericExecute)) out |= keyaccess::kRead;
  if (access & kGenericWrite) out |= keyaccess::kWrite;
  if (access & kGenericAll) out |= keyaccess::kAllAccess;
  return out;
}

ErrorCode CheckAccess(const Caller& caller, const KeySecurity& security, std::uint32_t desired,
                      std::uint32_t* granted) {
  const bool maximum = (desired & keyaccess::kMaximumAllowed) != 0;
  desired = NormalizeAccess(desired & ~keyaccess::kMaximumAllowed);
  if (caller.administrator) {
    *granted = desired | (maximum ? keyaccess::kAllAccess : 0);
    return err::kSuccess;
  }
  std::uint32_t held = 0;
  for (const auto& e : security.dacl) {
    if (SameName(e.trustee, caller.user) || SameName(e.trustee, account::kUsers) ||
        SameName(e.trustee, account::kEveryone)) {
      held |= NormalizeAccess(e.mask);
    }
  }
  if (!security.owner.empty() && SameName(security.owner, caller.user)) {
    held |= keyaccess::kReadControl | keyaccess::kWriteDac;
  }
  // Reading is never refused; only rights that change something are checked.
  const std::uint32_t needed = desired & keyaccess::kWriteMask;
  if ((needed & ~held) != 0) return err::kAccessDenied;
  *granted = desired | (maximum ? (keyaccess::kRead | keyaccess::kNotify | (held & keyaccess::kAllAccess)) : 0);
  return err::kSuccess;
}

ErrorCode CheckOwnerChange(const Caller& caller, const std::wstring& new_owner) {
  if (new_owner.empty()) return err::kInvalidOwner;
  if (caller.administrator) return err::kSuccess;
  return SameName(new_owner, caller.user) ? err::kSuccess : err::kInvalidOwner;
}

}  // namespace oro::platform::sqlite
