#include "oro/platform/errno_codes.h"

#include <cerrno>

namespace oro::platform {

ErrorCode ErrorFromErrno(int error_number) {
  switch (error_number) {
    case 0:
      return err::kSuccess;
    case ENOENT:
      return err::kFileNotFound;
    case ENOTDIR:
      return err::kPathNotFound;
    case EACCES:
    case EPERM:
      return err::kAccessDenied;
    case EROFS:
      return err::kWriteProtect;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
      return err::kDiskFull;
    case EFBIG:
      return err::kFileTooLarge;
    case ENOMEM:
      return err::kNotEnoughMemory;
    case EMFILE:
    case ENFILE:
      return err::kTooManyOpenFiles;
    case EEXIST:
      return err::kAlreadyExists;
    case ENAMETOOLONG:
      return err::kFilenameTooLong;
    case EINVAL:
      return err::kInvalidParameter;
    case EBUSY:
#ifdef ETXTBSY
    case ETXTBSY:
#endif
      return err::kSharingViolation;
    case EIO:
      return err::kWriteFault;
    default:
      return err::kGenFailure;
  }
}

}  // namespace oro::platform
