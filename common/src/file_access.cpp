// File access of the well-known service accounts, derived from the file's
// mode bits on Linux:
//   local system (18) is root and may do everything with any file
//     (FILE_ALL_ACCESS 0x1F01FF);
//   local service (19) and network service (20) are unprivileged accounts that
//     neither own the file nor belong to its group, so the "other" bits apply:
//     r -> FILE_GENERIC_READ 0x120089, w -> FILE_GENERIC_WRITE 0x120116,
//     x -> FILE_GENERIC_EXECUTE 0x1200A0, combined.
#include "oro/common/file_access.h"

#include <filesystem>

#include "registry_access_detail.h"

namespace oro::common {
namespace {

constexpr std::uint32_t kFileAllAccess = 0x1F01FF;
constexpr std::uint32_t kFileGenericRead = 0x120089;
constexpr std::uint32_t kFileGenericWrite = 0x120116;
constexpr std::uint32_t kFileGenericExecute = 0x1200A0;

}  // namespace

std::uint32_t GetFileAccess(const std::wstring& path, std::uint32_t relative_id) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const fs::file_status status = fs::status(detail::NativePath(path), ec);
  if (ec || !fs::exists(status)) throw RegistryException(L"Error in GetNamedSecurityInfoW while getting file access");

  switch (relative_id) {
    case rid::kLocalSystem:
      return kFileAllAccess;
    case rid::kLocalService:
    case rid::kNetworkService: {
      const fs::perms perms = status.permissions();
      std::uint32_t access = 0;
      if ((perms & fs::perms::others_read) != fs::perms::none) access |= kFileGenericRead;
      if ((perms & fs::perms::others_write) != fs::perms::none) access |= kFileGenericWrite;
      if ((perms & fs::perms::others_exec) != fs::perms::none) access |= kFileGenericExecute;
      return access;
    }
    default:
      throw RegistryException(L"Error in AllocateAndInitializeSid while getting file access");
  }
}

}  // namespace oro::common
