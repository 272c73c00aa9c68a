#include "oro/common/error_text.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "oro/common/key_path.h"
#include "oro/platform/errno_codes.h"
#include "oro/platform/root_keys.h"
#include "oro/platform/win32_codes.h"

namespace oro::common {
namespace {

namespace err = platform::err;

TEST(ErrorText, SystemWordingOfCommonCodes) {
  EXPECT_EQ(ErrorText(err::kFileNotFound), L"The system cannot find the file specified.");
  EXPECT_EQ(ErrorText(err::kAccessDenied), L"Access is denied.");
  EXPECT_EQ(ErrorText(err::kNoMoreItems), L"No more data is available.");
  EXPECT_EQ(ErrorText(err::kBadDb), L"The configuration registry database is corrupt.");
  EXPECT_EQ(ErrorText(err::kKeyDeleted),
            L"Illegal operation attempted on a registry key that has been marked for deletion.");
  EXPECT_EQ(ErrorText(err::kServiceDoesNotExist), L"The specified service does not exist as an installed service.");
  EXPECT_EQ(ErrorText(1053), L"The service did not respond to the start or control request in a timely fashion.");
  EXPECT_EQ(ErrorText(err::kTimeout), L"This operation returned because the timeout period expired.");
  EXPECT_EQ(ErrorText(258), L"The wait operation timed out.");
}

TEST(ErrorText, UnknownCodesHaveNoText) {
  EXPECT_EQ(ErrorText(7), L"");
  EXPECT_EQ(ErrorText(0x12345), L"");
  EXPECT_EQ(ErrorText(0xFFFFFFFFu), L"");
}

TEST(ErrorText, EveryKitCodeHasOneLineOfText) {
  const std::uint32_t codes[] = {err::kSuccess,
                                 err::kFileNotFound,
                                 err::kPathNotFound,
                                 err::kAccessDenied,
                                 err::kInvalidHandle,
                                 err::kNotEnoughMemory,
                                 err::kWriteProtect,
                                 err::kLockViolation,
                                 err::kInvalidParameter,
                                 err::kInsufficientBuffer,
                                 err::kBusy,
                                 err::kAlreadyExists,
                                 err::kMoreData,
                                 err::kNoMoreItems,
                                 err::kBadDb,
                                 err::kBadKey,
                                 err::kCantOpen,
                                 err::kCantRead,
                                 err::kCantWrite,
                                 err::kRegistryCorrupt,
                                 err::kRegistryIoFailed,
                                 err::kKeyDeleted,
                                 err::kKeyHasChildren,
                                 err::kServiceDoesNotExist,
                                 err::kServiceNotActive,
                                 err::kServiceAlreadyRunning,
                                 err::kServiceMarkedForDelete,
                                 err::kServiceExists,
                                 err::kNotFound,
                                 err::kPrivilegeNotHeld,
                                 err::kInvalidOwner,
                                 err::kNoneMapped,
                                 err::kTimeout,
                                 1051,
                                 1052,
                                 1055,
                                 1056,
                                 1058,
                                 1061,
                                 1068,
                                 1069,
                                 1300,
                                 112,
                                 170,
                                 183,
                                 1314};
  for (std::uint32_t code : codes) {
    const std::wstring text = ErrorText(code);
    EXPECT_FALSE(text.empty()) << code;
    EXPECT_EQ(text.find_first_of(L"\r\n"), std::wstring::npos) << code;
    EXPECT_EQ(text.back(), L'.') << code;
  }
}

// One table maps the C library's error numbers for every part of the kit: a
// full disk is 112 wherever it is met, and whatever the table yields has a
// text, so no message ends in an empty reason.
TEST(ErrnoTable, OneCodePerCauseAndEveryCodeHasAText) {
  EXPECT_EQ(platform::ErrorFromErrno(ENOSPC), err::kDiskFull);
  EXPECT_EQ(platform::ErrorFromErrno(EDQUOT), err::kDiskFull);
  EXPECT_EQ(platform::ErrorFromErrno(ENOENT), err::kFileNotFound);
  EXPECT_EQ(platform::ErrorFromErrno(ENOTDIR), err::kPathNotFound);
  EXPECT_EQ(platform::ErrorFromErrno(EACCES), err::kAccessDenied);
  EXPECT_EQ(platform::ErrorFromErrno(EROFS), err::kWriteProtect);
  EXPECT_EQ(platform::ErrorFromErrno(EMFILE), platform::ErrorFromErrno(ENFILE));
  EXPECT_EQ(platform::ErrorFromErrno(0), err::kSuccess);
  EXPECT_EQ(platform::ErrorFromErrno(EHOSTDOWN), err::kGenFailure) << "unknown numbers share one code";
  for (int e = 1; e < 134; ++e) {
    const std::wstring text = ErrorText(platform::ErrorFromErrno(e));
    EXPECT_FALSE(text.empty()) << "errno " << e << " maps to " << platform::ErrorFromErrno(e) << ", which has no text";
  }
}

TEST(RootKeys, TheStoreTheRegistryModuleAndTheToolsSpellEveryRootAlike) {
  using platform::RootKey;
  for (RootKey root : {RootKey::kClassesRoot, RootKey::kCurrentConfig, RootKey::kCurrentUser, RootKey::kLocalMachine,
                       RootKey::kUsers}) {
    const std::wstring name = platform::RootKeyName(root);
    EXPECT_EQ(RootName(root), name);
    EXPECT_EQ(ParseKeyPath(name + L"\\X").root, root);
    RootKey found;
    ASSERT_TRUE(platform::RootKeyFromNameOrAbbreviation(platform::RootKeyAbbreviation(root), &found)) << name.c_str();
    EXPECT_EQ(found, root);
    EXPECT_FALSE(platform::RootKeyFromName(platform::RootKeyAbbreviation(root), &found))
        << "the registry module takes full names only";
  }
}

}  // namespace
}  // namespace oro::common
