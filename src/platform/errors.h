// The calling thread's last error, in Windows error codes on every platform.
#pragma once

#include <cstdint>
#include <string>

namespace tv::platform {

std::uint32_t GetLastError();
void SetLastError(std::uint32_t code);

// The kinds of failure that callers tell apart when they create or open files.
enum class FileErrorKind { None, Exists, PathNotFound, DiskFull, SharingViolation, Other };
FileErrorKind ClassifyError(std::uint32_t code);

// The system's text for an error code, one line without a final stop
// ("There is not enough space on the disk"); "error N" for a code the
// system has no text for.
std::string ErrorText(std::uint32_t code);

}  // namespace tv::platform
