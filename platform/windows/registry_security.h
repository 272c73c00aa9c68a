// Key security between the port's names and the system's descriptors, the
// caller from the process token, and privileges held for one call.
#pragma once

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "oro/platform/registry_store.h"

namespace oro::platform::windows_host {

// A SID in a buffer of its own.
using SidBytes = std::vector<std::uint8_t>;

// The account a port name stands for: the well-known names first (the same on
// every machine and language), then "S-1-..." strings, then the account
// database. 1332 (no mapping) when nothing matches.
ErrorCode SidOfName(const std::wstring& name, SidBytes* sid);
// The port's name of a SID: a well-known name, the account's name without
// its domain, or the SID as text.
std::wstring NameOfSid(PSID sid);

// A self-contained descriptor with the owner and/or access list given.
class Descriptor {
 public:
  // kInvalidOwner for an empty or unknown owner, kInvalidParameter for an
  // entry without trustee, 1332 for a trustee the system does not know.
  ErrorCode Build(const KeySecurity& security, bool with_owner, bool with_dacl);
  PSECURITY_DESCRIPTOR Get() { return &sd_; }
  SECURITY_INFORMATION Parts() const { return parts_; }

 private:
  SECURITY_DESCRIPTOR sd_{};
  SidBytes owner_;
  std::vector<std::uint8_t> acl_;
  SECURITY_INFORMATION parts_ = 0;
};

// Owner and allowed entries of a key (RegGetKeySecurity). Entries the port
// cannot express (deny entries, audit) are left out; the inherited-entry mark
// is dropped, the inheritance flags are kept.
ErrorCode ReadKeySecurity(HKEY key, KeySecurity* out);

// The process's user and whether it runs as an elevated administrator;
// `user_sid` receives the token's user.
Caller CallerFromToken(SidBytes* user_sid);

// Enables privileges on a thread token of this thread for the object's
// lifetime, so other threads of the process never see them enabled.
// Privileges the token lacks are quietly not enabled: the call that needed
// them fails with the system's own code.
class ScopedPrivileges {
 public:
  explicit ScopedPrivileges(std::initializer_list<const wchar_t*> names);
  ~ScopedPrivileges();
  ScopedPrivileges(const ScopedPrivileges&) = delete;
  ScopedPrivileges& operator=(const ScopedPrivileges&) = delete;

 private:
  HANDLE token_ = nullptr;
  bool impersonating_ = false;  // this object started the impersonation
  std::vector<std::uint8_t> previous_;
};

}  // namespace oro::platform::windows_host
