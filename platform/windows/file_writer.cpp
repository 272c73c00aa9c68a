// Whole-file replacement on Windows: a new file beside the target, flushed,
// then moved over it in one step. Owner-only files are created with a
// protected access list (the owner, SYSTEM and the administrators) so they
// never inherit the folder's grants, not even for a moment; other files take
// the folder's inherited security as any new file there would.
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <vector>

#include "oro/platform/file_writer.h"
#include "oro/platform/windows/wide_path.h"

namespace oro::platform {
namespace {

using windows_host::SystemMessage;

FileWriteError Failed(FileWriteError error, const std::string& path, const std::string& what, DWORD code,
                      std::string* message) {
  if (message) *message = path + ": " + what + (code ? ": " + SystemMessage(code) : std::string());
  return error;
}

class Handle {
 public:
  explicit Handle(HANDLE h = INVALID_HANDLE_VALUE) : h_(h) {}
  ~Handle() { Close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE Get() const { return h_; }
  bool Valid() const { return h_ != INVALID_HANDLE_VALUE; }
  void Reset(HANDLE h) {
    Close();
    h_ = h;
  }
  bool Close() {
    const bool ok = !Valid() || CloseHandle(h_);
    h_ = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE h_;
};

// What is at the target now: ERROR_SUCCESS when it may be replaced (a plain
// file, or nothing), else the reason. The link itself is looked at, never
// what a symbolic link or junction points to.
DWORD CheckTarget(const std::wstring& target, bool* not_regular) {
  *not_regular = false;
  Handle h(CreateFileW(target.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                       nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!h.Valid()) {
    const DWORD code = GetLastError();
    return code == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : code;
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (GetFileType(h.Get()) != FILE_TYPE_DISK || !GetFileInformationByHandle(h.Get(), &info) ||
      (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE))) {
    *not_regular = true;
    return ERROR_INVALID_FUNCTION;
  }
  return ERROR_SUCCESS;
}

// A security descriptor granting full control to this process's user, SYSTEM
// and the administrators only, inheriting nothing from the folder.
class OwnerOnlySecurity {
 public:
  bool Build() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    DWORD size = 0;
    GetTokenInformation(token, TokenUser, nullptr, 0, &size);
    user_.resize(size);
    const bool have_user = size > 0 && GetTokenInformation(token, TokenUser, user_.data(), size, &size);
    CloseHandle(token);
    if (!have_user) return false;
    PSID sids[3] = {reinterpret_cast<TOKEN_USER*>(user_.data())->User.Sid, system_, admins_};
    DWORD system_size = sizeof system_, admins_size = sizeof admins_;
    if (!CreateWellKnownSid(WinLocalSystemSid, nullptr, system_, &system_size) ||
        !CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, admins_, &admins_size)) {
      return false;
    }
    DWORD acl_size = sizeof(ACL);
    for (PSID sid : sids) acl_size += sizeof(ACCESS_ALLOWED_ACE) - sizeof(DWORD) + GetLengthSid(sid);
    acl_.resize(acl_size);
    auto* acl = reinterpret_cast<ACL*>(acl_.data());
    if (!InitializeAcl(acl, acl_size, ACL_REVISION)) return false;
    for (PSID sid : sids) {
      if (!AddAccessAllowedAce(acl, ACL_REVISION, FILE_ALL_ACCESS, sid)) return false;
    }
    return InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) &&
           SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE) &&
           SetSecurityDescriptorControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
  }
  SECURITY_ATTRIBUTES* Attributes() {
    attributes_ = {sizeof attributes_, &descriptor_, FALSE};
    return &attributes_;
  }

 private:
  std::vector<BYTE> user_;
  BYTE system_[SECURITY_MAX_SID_SIZE] = {};
  BYTE admins_[SECURITY_MAX_SID_SIZE] = {};
  std::vector<BYTE> acl_;
  SECURITY_DESCRIPTOR descriptor_{};
  SECURITY_ATTRIBUTES attributes_{};
};

std::wstring TempName(const std::wstring& target) {
  static std::atomic<unsigned> counter{0};
  wchar_t suffix[48];
  std::swprintf(suffix, sizeof suffix / sizeof suffix[0], L".tmp%lx-%llx-%x", GetCurrentProcessId(),
                static_cast<unsigned long long>(GetTickCount64()), counter.fetch_add(1));
  return target + suffix;
}

}  // namespace

FileWriteError ReplaceFileContents(const std::string& path, const std::uint8_t* data, std::size_t size,
                                   std::uint32_t mode, std::string* message) {
  if (message) message->clear();
  if (path.empty()) return Failed(FileWriteError::kCannotCreate, "(empty path)", "cannot be created", 0, message);
  const std::wstring target = windows_host::WidePath(path);
  bool not_regular = false;
  if (const DWORD code = CheckTarget(target, &not_regular)) {
    if (not_regular) return Failed(FileWriteError::kNotRegular, path, "not a regular file", 0, message);
    return Failed(FileWriteError::kCannotCreate, path, "cannot be written", code, message);
  }

  // Owner-only whenever nobody but the owner gets any bit.
  OwnerOnlySecurity owner_only;
  SECURITY_ATTRIBUTES* security = nullptr;
  if ((mode & 077) == 0) {
    if (!owner_only.Build()) {
      return Failed(FileWriteError::kCannotCreate, path, "its access list cannot be made", GetLastError(), message);
    }
    security = owner_only.Attributes();
  }

  std::wstring temp;
  Handle file;
  for (int attempt = 0; attempt < 100 && !file.Valid(); ++attempt) {
    temp = TempName(target);
    file.Reset(
        CreateFileW(temp.c_str(), GENERIC_WRITE | DELETE, 0, security, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid() && GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS) break;
  }
  if (!file.Valid()) return Failed(FileWriteError::kCannotCreate, path, "cannot be created", GetLastError(), message);

  DWORD error = 0;
  for (std::size_t done = 0; error == 0 && done < size;) {
    const std::size_t chunk = size - done < 0x40000000u ? size - done : 0x40000000u;
    DWORD wrote = 0;
    if (!WriteFile(file.Get(), data + done, static_cast<DWORD>(chunk), &wrote, nullptr)) {
      error = GetLastError();
    } else if (wrote == 0) {
      error = ERROR_WRITE_FAULT;
    }
    done += wrote;
  }
  if (error == 0 && !FlushFileBuffers(file.Get())) error = GetLastError();
  if (!file.Close() && error == 0) error = GetLastError();
  if (error == 0 && !MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = GetLastError();
  }
  if (error != 0) {
    DeleteFileW(temp.c_str());
    return Failed(FileWriteError::kWriteFailed, path, "cannot be written", error, message);
  }
  return FileWriteError::kNone;
}

}  // namespace oro::platform
