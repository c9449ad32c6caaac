#include "platform/errors.h"

#include "platform/types.h"

namespace tv::platform {

FileErrorKind ClassifyError(std::uint32_t code) {
  switch (code) {
    case err::kSuccess:
      return FileErrorKind::None;
    case err::kFileExists:
    case err::kAlreadyExists:
      return FileErrorKind::Exists;
    case err::kPathNotFound:
      return FileErrorKind::PathNotFound;
    case err::kDiskFull:
    case err::kHandleDiskFull:
      return FileErrorKind::DiskFull;
    case err::kSharingViolation:
    case err::kLockViolation:
      return FileErrorKind::SharingViolation;
    default:
      return FileErrorKind::Other;
  }
}

}  // namespace tv::platform
