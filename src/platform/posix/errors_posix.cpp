#include <sys/stat.h>

#include <cerrno>

#include "platform/errors.h"
#include "platform/posix/posix_errors.h"
#include "platform/types.h"

namespace tv::platform {

namespace {
thread_local std::uint32_t lastError = err::kSuccess;
}

std::uint32_t GetLastError() { return lastError; }
void SetLastError(std::uint32_t code) { lastError = code; }

namespace posix {

std::uint32_t TranslateErrno(int error) {
  switch (error) {
    case 0:
      return err::kSuccess;
    case ENOENT:
    case ENXIO:
    case ENODEV:
      return err::kFileNotFound;
    case ENOTDIR:
      return err::kPathNotFound;
    case EEXIST:
      return err::kFileExists;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return err::kDiskFull;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
      return err::kAccessDenied;
    case EBUSY:
    case ETXTBSY:
      return err::kSharingViolation;
    case EAGAIN:
      return err::kLockViolation;
    case EBADF:
      return err::kInvalidHandle;
    case ENOMEM:
      return err::kNotEnoughMemory;
    case EINVAL:
    case ESPIPE:
      return err::kInvalidParameter;
    case EMFILE:
    case ENFILE:
      return err::kTooManyOpenFiles;
    case ENAMETOOLONG:
      return err::kFilenameTooLong;
    case ELOOP:
      return err::kInvalidName;
    case ENOTEMPTY:
      return err::kDirNotEmpty;
    case EIO:
      return err::kCrc;
    case ENOTSUP:
      return err::kNotSupported;
    default:
      return err::kGenFailure;
  }
}

void SetLastErrorFromErrno(int error) { SetLastError(TranslateErrno(error)); }

void SetLastErrorForPath(int error, const std::string& path) {
  if (error == ENOENT) {
    const std::size_t slash = path.find_last_of('/');
    if (slash != std::string::npos && slash > 0) {
      struct stat info {};
      const std::string folder = path.substr(0, slash);
      if (stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        SetLastError(err::kPathNotFound);
        return;
      }
    }
  }
  SetLastErrorFromErrno(error);
}

}  // namespace posix
}  // namespace tv::platform
