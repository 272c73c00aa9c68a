// Named sections and mutexes as the kernel's own objects: paging-file backed
// file mappings and mutexes, which live while a handle to them is open (a
// crashed holder's handles close with its process).
//
// The machine's state folder uses the kit's names as they are, so the audio
// engine's processing object finds "Global\\{372E...}". Any other state
// folder (ORO_ROOT) gets names of its own: "Global\\x" becomes
// "Global\\OroSoundKit.<hash of the folder>.x", so parallel runs and tests
// never meet.
//
// Access: with an ObjectSecurity the object's DACL holds exactly two entries,
// the caller's user with the user rights and LOCAL SERVICE (the audio
// engine's account) with the service rights; without one it gets the
// default security of the caller's token. A descriptor that cannot be built
// falls back to the default too, as the kit always has.
#include <aclapi.h>
#include <windows.h>
// The port's methods share these names; the system's calls are spelled out (W).
#undef CreateMutex
#undef OpenMutex

#include <cstdint>
#include <cwchar>
#include <cwctype>
#include <string>
#include <vector>

#include "oro/platform/windows/windows_adapters.h"

namespace oro::platform::windows_host {
namespace {

bool ValidName(const std::wstring& name) { return !name.empty() && name.size() <= kMaxObjectName; }

bool StartsWithNoCase(const std::wstring& s, const wchar_t* prefix) {
  std::size_t i = 0;
  for (; prefix[i]; ++i) {
    if (i >= s.size() || std::towlower(s[i]) != std::towlower(prefix[i])) return false;
  }
  return true;
}

// FNV-1a of the folder, spelled the same whatever its separators or case.
std::wstring ScopeTag(const std::string& folder) {
  std::uint64_t h = 14695981039346656037ull;
  for (unsigned char c : folder) {
    if (c == '/') c = '\\';
    if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c - 'A' + 'a');
    h = (h ^ c) * 1099511628211ull;
  }
  wchar_t tag[40];
  std::swprintf(tag, 40, L"OroSoundKit.%016llx.", static_cast<unsigned long long>(h));
  return tag;
}

// The caller's user SID, from its token.
std::vector<std::uint8_t> TokenUserSid() {
  HANDLE token = nullptr;
  if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &token) &&
      !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) {
    return {};
  }
  DWORD size = 0;
  GetTokenInformation(token, TokenUser, nullptr, 0, &size);
  std::vector<std::uint8_t> info(size);
  std::vector<std::uint8_t> sid;
  if (size && GetTokenInformation(token, TokenUser, info.data(), size, &size)) {
    const auto* user = reinterpret_cast<const TOKEN_USER*>(info.data());
    const DWORD length = GetLengthSid(user->User.Sid);
    sid.resize(length);
    if (!CopySid(length, sid.data(), user->User.Sid)) sid.clear();
  }
  CloseHandle(token);
  return sid;
}

// Security attributes of an ObjectSecurity, freed with the object. Empty
// (Get() null: default security) when any step fails.
class SecurityAttributes {
 public:
  explicit SecurityAttributes(const ObjectSecurity* security) {
    if (!security) return;
    std::vector<std::uint8_t> user = TokenUserSid();
    BYTE service[SECURITY_MAX_SID_SIZE];
    DWORD service_size = sizeof service;
    if (user.empty() || !CreateWellKnownSid(WinLocalServiceSid, nullptr, service, &service_size)) return;

    EXPLICIT_ACCESSW entries[2] = {};
    entries[0].grfAccessPermissions = security->user_rights;
    entries[0].grfAccessMode = SET_ACCESS;
    entries[0].grfInheritance = NO_INHERITANCE;
    entries[0].Trustee.TrusteeForm = TRUSTEE_IS_SID;
    entries[0].Trustee.TrusteeType = TRUSTEE_IS_USER;
    entries[0].Trustee.ptstrName = reinterpret_cast<LPWSTR>(user.data());
    entries[1].grfAccessPermissions = security->service_rights;
    entries[1].grfAccessMode = SET_ACCESS;
    entries[1].grfInheritance = NO_INHERITANCE;
    entries[1].Trustee.TrusteeForm = TRUSTEE_IS_SID;
    entries[1].Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    entries[1].Trustee.ptstrName = reinterpret_cast<LPWSTR>(service);
    if (SetEntriesInAclW(2, entries, nullptr, &acl_) != ERROR_SUCCESS) {
      acl_ = nullptr;
      return;
    }
    if (!InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&descriptor_, TRUE, acl_, FALSE)) {
      return;
    }
    attributes_.nLength = sizeof attributes_;
    attributes_.lpSecurityDescriptor = &descriptor_;
    attributes_.bInheritHandle = FALSE;
    ready_ = true;
  }
  ~SecurityAttributes() {
    if (acl_) LocalFree(acl_);
  }
  SecurityAttributes(const SecurityAttributes&) = delete;
  SecurityAttributes& operator=(const SecurityAttributes&) = delete;

  SECURITY_ATTRIBUTES* Get() { return ready_ ? &attributes_ : nullptr; }

 private:
  PACL acl_ = nullptr;
  SECURITY_DESCRIPTOR descriptor_{};
  SECURITY_ATTRIBUTES attributes_{};
  bool ready_ = false;
};

class MappedSection final : public SharedSection {
 public:
  MappedSection(HANDLE mapping, std::uint8_t* data, std::size_t size) : mapping_(mapping), data_(data), size_(size) {}
  ~MappedSection() override {
    UnmapViewOfFile(data_);
    CloseHandle(mapping_);
  }
  MappedSection(const MappedSection&) = delete;
  MappedSection& operator=(const MappedSection&) = delete;

  std::uint8_t* Data() override { return data_; }
  std::size_t Size() const override { return size_; }

 private:
  HANDLE mapping_;
  std::uint8_t* data_;
  std::size_t size_;
};

class KernelMutex final : public NamedMutex {
 public:
  explicit KernelMutex(HANDLE handle) : handle_(handle) {}
  ~KernelMutex() override { CloseHandle(handle_); }
  KernelMutex(const KernelMutex&) = delete;
  KernelMutex& operator=(const KernelMutex&) = delete;

 private:
  HANDLE handle_;
};

class KernelNamedObjects final : public NamedObjects {
 public:
  explicit KernelNamedObjects(const std::string& scope) : tag_(scope.empty() ? std::wstring() : ScopeTag(scope)) {}

  ErrorCode CreateSection(const std::wstring& name, std::size_t size, const ObjectSecurity* security,
                          std::unique_ptr<SharedSection>* out) override {
    if (!out || !ValidName(name) || size == 0) return err::kInvalidParameter;
    SecurityAttributes attributes(security);
    const auto wide = static_cast<std::uint64_t>(size);
    HANDLE mapping =
        CreateFileMappingW(INVALID_HANDLE_VALUE, attributes.Get(), PAGE_READWRITE, static_cast<DWORD>(wide >> 32),
                           static_cast<DWORD>(wide & 0xFFFFFFFFu), SystemName(name).c_str());
    if (!mapping) return GetLastError();
    return Map(mapping, size, out);
  }

  ErrorCode OpenSection(const std::wstring& name, std::size_t size, std::unique_ptr<SharedSection>* out) override {
    if (!out || !ValidName(name) || size == 0) return err::kInvalidParameter;
    HANDLE mapping = OpenFileMappingW(FILE_MAP_READ | FILE_MAP_WRITE, FALSE, SystemName(name).c_str());
    if (!mapping) return GetLastError();
    return Map(mapping, size, out);
  }

  ErrorCode CreateMutex(const std::wstring& name, const ObjectSecurity* security, std::unique_ptr<NamedMutex>* out,
                        bool* already_existed) override {
    if (!out || !ValidName(name)) return err::kInvalidParameter;
    SecurityAttributes attributes(security);
    HANDLE handle = CreateMutexW(attributes.Get(), FALSE, SystemName(name).c_str());
    const DWORD error = GetLastError();
    if (!handle) return error;
    if (already_existed) *already_existed = error == ERROR_ALREADY_EXISTS;
    *out = std::make_unique<KernelMutex>(handle);
    return err::kSuccess;
  }

  ErrorCode OpenMutex(const std::wstring& name) override {
    if (!ValidName(name)) return err::kInvalidParameter;
    HANDLE handle = OpenMutexW(MUTEX_MODIFY_STATE, FALSE, SystemName(name).c_str());
    if (!handle) return GetLastError();
    CloseHandle(handle);
    return err::kSuccess;
  }

 private:
  std::wstring SystemName(const std::wstring& name) const {
    if (tag_.empty()) return name;
    for (const wchar_t* ns : {L"Global\\", L"Local\\"}) {
      if (StartsWithNoCase(name, ns)) {
        const std::size_t n = std::wcslen(ns);
        return name.substr(0, n) + tag_ + name.substr(n);
      }
    }
    return tag_ + name;
  }

  // Maps all `size` bytes; a section made smaller by its creator cannot be
  // mapped that far and is refused rather than handed out short.
  static ErrorCode Map(HANDLE mapping, std::size_t size, std::unique_ptr<SharedSection>* out) {
    void* view = MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, size);
    if (!view) {
      const DWORD error = GetLastError();
      CloseHandle(mapping);
      return error ? error : err::kAccessDenied;
    }
    *out = std::make_unique<MappedSection>(mapping, static_cast<std::uint8_t*>(view), size);
    return err::kSuccess;
  }

  std::wstring tag_;
};

}  // namespace

std::unique_ptr<NamedObjects> MakeWindowsNamedObjects(const std::string& scope) {
  return std::make_unique<KernelNamedObjects>(scope);
}

}  // namespace oro::platform::windows_host
