// Well-known folders and names of the system. Every folder comes back with a
// trailing path separator.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace tv::platform {

inline constexpr char kPathSeparator =
#ifdef _WIN32
    '\\';
#else
    '/';
#endif

// The user's roaming application data (CSIDL_APPDATA; XDG data home on POSIX).
std::string AppDataFolder();
// Data shared by all users (CSIDL_COMMON_APPDATA; /usr/local/share/ on POSIX).
std::string CommonAppDataFolder();
// The system temporary folder (GetTempPath; $TMPDIR or /tmp/).
std::string TempFolder();
// The per-user configuration folder that stands in for the registry on POSIX
// ($XDG_CONFIG_HOME or ~/.config/); on Windows the application-data folder.
std::string ConfigFolder();

// Creates a new empty file with a unique name in `folder` whose name starts
// with `prefix` (Windows keeps only its first three characters), and returns
// its full path; empty on failure.
std::string UniqueTempFileName(const std::string& folder, const std::string& prefix);

// Full path of the running executable, and its folder (with separator).
std::string ExecutablePath();
std::string ExecutableFolder();

std::string CurrentDirectory();
std::string ComputerName();
// Windows' system and Windows folders; absent on POSIX.
std::optional<std::string> SystemDirectory();
std::optional<std::string> WindowsDirectory();

// Joins a folder and a name with exactly one separator between them.
std::string JoinPath(const std::string& folder, const std::string& name);

// A path separator of this system: / on POSIX, \ and / on Windows.
bool IsPathSeparator(char c);
// The drive letter of "D:" or "d:\\...", upper-cased; 0 for any other text.
char DriveLetterOf(const std::string& path);
// Where the last part of `path` (its file name) begins: just after the last
// separator, 0 when there is none.
std::size_t FileNameStart(const std::string& path);

}  // namespace tv::platform
