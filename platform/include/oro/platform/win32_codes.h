// Win32 error codes are the kit's error vocabulary on every platform, so that
// messages built from ErrorText read the same wherever the kit runs.
#pragma once

#include <cstdint>

namespace oro::platform {

using ErrorCode = std::uint32_t;

namespace err {
constexpr ErrorCode kSuccess = 0;
constexpr ErrorCode kInvalidFunction = 1;
constexpr ErrorCode kFileNotFound = 2;
constexpr ErrorCode kPathNotFound = 3;
constexpr ErrorCode kAccessDenied = 5;
constexpr ErrorCode kTooManyOpenFiles = 4;
constexpr ErrorCode kInvalidHandle = 6;
constexpr ErrorCode kNotEnoughMemory = 8;
constexpr ErrorCode kBadFormat = 11;
constexpr ErrorCode kWriteProtect = 19;
constexpr ErrorCode kWriteFault = 29;
constexpr ErrorCode kGenFailure = 31;
constexpr ErrorCode kSharingViolation = 32;
constexpr ErrorCode kLockViolation = 33;
constexpr ErrorCode kNotSupported = 50;
constexpr ErrorCode kInvalidParameter = 87;
constexpr ErrorCode kDiskFull = 112;
constexpr ErrorCode kFilenameTooLong = 206;
constexpr ErrorCode kFileTooLarge = 223;
constexpr ErrorCode kInsufficientBuffer = 122;
constexpr ErrorCode kInvalidName = 123;
constexpr ErrorCode kModuleNotFound = 126;
constexpr ErrorCode kProcNotFound = 127;
constexpr ErrorCode kBusy = 170;
constexpr ErrorCode kAlreadyExists = 183;
constexpr ErrorCode kFilenameExcedRange = 206;
constexpr ErrorCode kMoreData = 234;
constexpr ErrorCode kNoMoreItems = 259;
constexpr ErrorCode kNoToken = 1008;
constexpr ErrorCode kBadDb = 1009;
constexpr ErrorCode kBadKey = 1010;
constexpr ErrorCode kCantOpen = 1011;
constexpr ErrorCode kCantRead = 1012;
constexpr ErrorCode kCantWrite = 1013;
constexpr ErrorCode kRegistryCorrupt = 1015;
constexpr ErrorCode kRegistryIoFailed = 1016;
constexpr ErrorCode kKeyDeleted = 1018;
constexpr ErrorCode kKeyHasChildren = 1020;
constexpr ErrorCode kDependentServicesRunning = 1051;
constexpr ErrorCode kServiceRequestTimeout = 1053;
constexpr ErrorCode kServiceAlreadyRunning = 1056;
constexpr ErrorCode kServiceDoesNotExist = 1060;
constexpr ErrorCode kServiceCannotAcceptCtrl = 1061;
constexpr ErrorCode kServiceNotActive = 1062;
constexpr ErrorCode kFailedServiceControllerConnect = 1063;
constexpr ErrorCode kServiceSpecificError = 1066;
constexpr ErrorCode kProcessAborted = 1067;
constexpr ErrorCode kServiceMarkedForDelete = 1072;
constexpr ErrorCode kServiceExists = 1073;
constexpr ErrorCode kDeviceNotConnected = 1167;
constexpr ErrorCode kNotFound = 1168;
constexpr ErrorCode kInvalidOwner = 1307;
constexpr ErrorCode kPrivilegeNotHeld = 1314;
constexpr ErrorCode kNoneMapped = 1332;
constexpr ErrorCode kTimeout = 1460;
constexpr ErrorCode kRpcServerUnavailable = 1722;
}  // namespace err

}  // namespace oro::platform
