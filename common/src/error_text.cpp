#include "oro/common/error_text.h"

#include <algorithm>
#include <iterator>

namespace oro::common {
namespace {

struct Entry {
  std::uint32_t code;
  const wchar_t* text;
};

// The system's English texts, word for word, so that messages built from them
// read the same on every platform the kit runs on. Kept in ascending order.
constexpr Entry kTexts[] = {
    {0, L"The operation completed successfully."},
    {1, L"Incorrect function."},
    {2, L"The system cannot find the file specified."},
    {3, L"The system cannot find the path specified."},
    {4, L"The system cannot open the file."},
    {5, L"Access is denied."},
    {6, L"The handle is invalid."},
    {8, L"Not enough memory resources are available to process this command."},
    {11, L"An attempt was made to load a program with an incorrect format."},
    {12, L"The access code is invalid."},
    {13, L"The data is invalid."},
    {14, L"Not enough memory resources are available to complete this operation."},
    {18, L"There are no more files."},
    {19, L"The media is write protected."},
    {21, L"The device is not ready."},
    {22, L"The device does not recognize the command."},
    {23, L"Data error (cyclic redundancy check)."},
    {29, L"The system cannot write to the specified device."},
    {30, L"The system cannot read from the specified device."},
    {31, L"A device attached to the system is not functioning."},
    {32, L"The process cannot access the file because it is being used by another process."},
    {33, L"The process cannot access the file because another process has locked a portion of the file."},
    {38, L"Reached the end of the file."},
    {50, L"The request is not supported."},
    {55, L"The specified network resource or device is no longer available."},
    {80, L"The file exists."},
    {82, L"The directory or file cannot be created."},
    {87, L"The parameter is incorrect."},
    {109, L"The pipe has been ended."},
    {110, L"The system cannot open the device or file specified."},
    {112, L"There is not enough space on the disk."},
    {120, L"This function is not supported on this system."},
    {121, L"The semaphore timeout period has expired."},
    {122, L"The data area passed to a system call is too small."},
    {123, L"The filename, directory name, or volume label syntax is incorrect."},
    {126, L"The specified module could not be found."},
    {127, L"The specified procedure could not be found."},
    {145, L"The directory is not empty."},
    {161, L"The specified path is invalid."},
    {170, L"The requested resource is in use."},
    {183, L"Cannot create a file when that file already exists."},
    {193, L"%1 is not a valid Win32 application."},
    {203, L"The system could not find the environment option that was entered."},
    {206, L"The filename or extension is too long."},
    {216,
     L"This version of %1 is not compatible with the version of Windows you're running. Check your computer's "
     L"system information and then contact the software publisher."},
    {223, L"The file size exceeds the limit allowed and cannot be saved."},
    {231, L"All pipe instances are busy."},
    {232, L"The pipe is being closed."},
    {233, L"No process is on the other end of the pipe."},
    {234, L"More data is available."},
    {258, L"The wait operation timed out."},
    {259, L"No more data is available."},
    {267, L"The directory name is invalid."},
    {299, L"Only part of a ReadProcessMemory or WriteProcessMemory request was completed."},
    {534, L"Arithmetic result exceeded 32 bits."},
    {740, L"The requested operation requires elevation."},
    {995, L"The I/O operation has been aborted because of either a thread exit or an application request."},
    {996, L"Overlapped I/O event is not in a signaled state."},
    {997, L"Overlapped I/O operation is in progress."},
    {998, L"Invalid access to memory location."},
    {1004, L"Invalid flags."},
    {1008, L"An attempt was made to reference a token that does not exist."},
    {1009, L"The configuration registry database is corrupt."},
    {1010, L"The configuration registry key is invalid."},
    {1011, L"The configuration registry key could not be opened."},
    {1012, L"The configuration registry key could not be read."},
    {1013, L"The configuration registry key could not be written."},
    {1014,
     L"One of the files in the registry database had to be recovered by use of a log or alternate copy. "
     L"The recovery was successful."},
    {1015,
     L"The registry is corrupted. The structure of one of the files containing registry data is corrupted, "
     L"or the system's memory image of the file is corrupted, or the file could not be recovered because the "
     L"alternate copy or log was absent or corrupted."},
    {1016,
     L"An I/O operation initiated by the registry failed unrecoverably. The registry could not read in, or "
     L"write out, or flush, one of the files that contain the system's image of the registry."},
    {1017,
     L"The system has attempted to load or restore a file into the registry, but the specified file is not "
     L"in a registry file format."},
    {1018, L"Illegal operation attempted on a registry key that has been marked for deletion."},
    {1019, L"System could not allocate the required space in a registry log."},
    {1020, L"Cannot create a symbolic link in a registry key that already has subkeys or values."},
    {1021, L"Cannot create a stable subkey under a volatile parent key."},
    {1051, L"A stop control has been sent to a service that other running services are dependent on."},
    {1052, L"The requested control is not valid for this service."},
    {1053, L"The service did not respond to the start or control request in a timely fashion."},
    {1054, L"A thread could not be created for the service."},
    {1055, L"The service database is locked."},
    {1056, L"An instance of the service is already running."},
    {1057,
     L"The account name is invalid or does not exist, or the password is invalid for the account name "
     L"specified."},
    {1058,
     L"The service cannot be started, either because it is disabled or because it has no enabled devices "
     L"associated with it."},
    {1059, L"Circular service dependency was specified."},
    {1060, L"The specified service does not exist as an installed service."},
    {1061, L"The service cannot accept control messages at this time."},
    {1062, L"The service has not been started."},
    {1063, L"The service process could not connect to the service controller."},
    {1064, L"An exception occurred in the service when handling the control request."},
    {1065, L"The database specified does not exist."},
    {1066, L"The service has returned a service-specific error code."},
    {1067, L"The process terminated unexpectedly."},
    {1068, L"The dependency service or group failed to start."},
    {1069, L"The service did not start due to a logon failure."},
    {1070, L"After starting, the service hung in a start-pending state."},
    {1071, L"The specified service database lock is invalid."},
    {1072, L"The specified service has been marked for deletion."},
    {1073, L"The specified service already exists."},
    {1074, L"The system is currently running with the last-known-good configuration."},
    {1075, L"The dependency service does not exist or has been marked for deletion."},
    {1076, L"The current boot has already been accepted for use as the last-known-good control set."},
    {1077, L"No attempts to start the service have been made since the last boot."},
    {1078, L"The name is already in use as either a service name or a service display name."},
    {1079,
     L"The account specified for this service is different from the account specified for other services "
     L"running in the same process."},
    {1115, L"A system shutdown is in progress."},
    {1167, L"The device is not connected."},
    {1168, L"Element not found."},
    {1223, L"The operation was canceled by the user."},
    {1243, L"The specified service does not exist."},
    {1300, L"Not all privileges or groups referenced are assigned to the caller."},
    {1307, L"This security ID may not be assigned as the owner of this object."},
    {1312, L"A specified logon session does not exist. It may already have been terminated."},
    {1313, L"A specified privilege does not exist."},
    {1314, L"A required privilege is not held by the client."},
    {1317, L"The specified account does not exist."},
    {1326, L"The user name or password is incorrect."},
    {1332, L"No mapping between account names and security IDs was done."},
    {1336, L"The access control list (ACL) structure is invalid."},
    {1337, L"The security ID structure is invalid."},
    {1338, L"The security descriptor structure is invalid."},
    {1400, L"Invalid window handle."},
    {1450, L"Insufficient system resources exist to complete the requested service."},
    {1460, L"This operation returned because the timeout period expired."},
    {1722, L"The RPC server is unavailable."},
    {1784, L"The supplied user buffer is not valid for the requested operation."},
    {10051, L"A socket operation was attempted to an unreachable network."},
    {10053, L"An established connection was aborted by the software in your host machine."},
    {10054, L"An existing connection was forcibly closed by the remote host."},
    {10060,
     L"A connection attempt failed because the connected party did not properly respond after a period of "
     L"time, or established connection failed because connected host has failed to respond."},
    {10061, L"No connection could be made because the target machine actively refused it."},
    {10065, L"A socket operation was attempted to an unreachable host."},
    {10093, L"Either the application has not called WSAStartup, or WSAStartup failed."},
    {11001, L"No such host is known."},
};

constexpr bool Ascending() {
  for (std::size_t i = 1; i < std::size(kTexts); ++i) {
    if (kTexts[i - 1].code >= kTexts[i].code) return false;
  }
  return true;
}
// The look-up below is a binary search.
static_assert(Ascending(), "error texts must be sorted by code");

}  // namespace

std::wstring ErrorText(std::uint32_t code) {
  const auto* end = std::end(kTexts);
  const auto* it =
      std::lower_bound(std::begin(kTexts), end, code, [](const Entry& e, std::uint32_t c) { return e.code < c; });
  if (it == end || it->code != code) return {};
  return it->text;
}

}  // namespace oro::common
