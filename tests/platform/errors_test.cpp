#include <gtest/gtest.h>

#include <thread>

#include "platform/errors.h"
#include "platform/types.h"

namespace tv::platform {
namespace {

TEST(ClassifyError, TellsApartTheFailuresCallersHandle) {
  struct Case {
    std::uint32_t code;
    FileErrorKind kind;
  };
  const Case cases[] = {
      {err::kSuccess, FileErrorKind::None},
      {err::kFileExists, FileErrorKind::Exists},
      {err::kAlreadyExists, FileErrorKind::Exists},
      {err::kPathNotFound, FileErrorKind::PathNotFound},
      {err::kDiskFull, FileErrorKind::DiskFull},
      {err::kHandleDiskFull, FileErrorKind::DiskFull},
      {err::kSharingViolation, FileErrorKind::SharingViolation},
      {err::kLockViolation, FileErrorKind::SharingViolation},
      // A missing file is not a missing folder: only the latter skips a file.
      {err::kFileNotFound, FileErrorKind::Other},
      {err::kAccessDenied, FileErrorKind::Other},
      {err::kInvalidName, FileErrorKind::Other},
  };
  for (const Case& c : cases) EXPECT_EQ(ClassifyError(c.code), c.kind) << "code " << c.code;
}

TEST(LastError, BelongsToTheCallingThread) {
  SetLastError(err::kDiskFull);
  EXPECT_EQ(GetLastError(), err::kDiskFull);
  // Only the other thread's own values are compared: joining a thread may
  // itself change the caller's last error.
  std::uint32_t atStart = 1, afterSet = 1;
  std::thread other([&] {
    atStart = GetLastError();
    SetLastError(err::kSharingViolation);
    afterSet = GetLastError();
  });
  other.join();
  EXPECT_EQ(atStart, err::kSuccess);
  EXPECT_EQ(afterSet, err::kSharingViolation);
}

}  // namespace
}  // namespace tv::platform
