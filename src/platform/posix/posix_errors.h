// Translation of errno into the Windows error codes the engine reports.
#pragma once

#include <cstdint>
#include <string>

namespace tv::platform::posix {

// The nearest Windows code for an errno value (EEXIST gives the code of a
// file that exists; ENOENT the code of a missing file).
std::uint32_t TranslateErrno(int error);

// Sets the thread's last error from errno as TranslateErrno does.
void SetLastErrorFromErrno(int error);

// Sets the last error after an operation on `path` failed with `error`:
// like SetLastErrorFromErrno, except that a missing file whose folder is
// missing too reports a missing path, as Windows does.
void SetLastErrorForPath(int error, const std::string& path);

}  // namespace tv::platform::posix
