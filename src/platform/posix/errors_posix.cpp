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

std::string ErrorText(std::uint32_t code) {
  // The texts Windows gives for the same codes, so that both builds tell the
  // user the same thing.
  switch (code) {
    case err::kSuccess:
      return "The operation completed successfully";
    case err::kFileNotFound:
      return "The system cannot find the file specified";
    case err::kPathNotFound:
      return "The system cannot find the path specified";
    case err::kAccessDenied:
      return "Access is denied";
    case err::kWriteProtect:
      return "The media is write protected";
    case err::kInvalidHandle:
      return "The handle is invalid";
    case err::kNotEnoughMemory:
      return "Not enough memory resources are available to process this command";
    case err::kSharingViolation:
      return "The process cannot access the file because it is being used by another process";
    case err::kDiskFull:
    case err::kHandleDiskFull:
      return "There is not enough space on the disk";
    case err::kFileExists:
    case err::kAlreadyExists:
      return "The file exists";
    case err::kInvalidParameter:
      return "The parameter is incorrect";
    case err::kInvalidName:
      return "The filename, directory name, or volume label syntax is incorrect";
    case err::kFilenameTooLong:
      return "The filename or extension is too long";
    case err::kCrc:
      return "Data error (cyclic redundancy check)";
    case err::kDirNotEmpty:
      return "The directory is not empty";
    case err::kNotSupported:
      return "The request is not supported";
    case err::kTooManyOpenFiles:
      return "The system cannot open the file";
    default:
      return "error " + std::to_string(code);
  }
}

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
    case EROFS:
      return err::kWriteProtect;
    case EACCES:
    case EPERM:
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
