// Where the program writes its operation log when no path is given.
#pragma once

#include <string>

namespace tv {

inline constexpr const char* kLogFileName = "log_vtl.log";

// Where the default log lives: "log_vtl.log" in ".../Vardelin/vtl/Logs/" of
// the user's application-data folder when tvcore loads from `tvcorePath`
// with its log-folder export (the folders are made when missing), else
// "log_vtl.log" in the current directory.
std::string DefaultLogPath(const std::string& tvcorePath);

// DefaultLogPath, with any file already at that path deleted, so that every
// run starts a fresh log.
std::string PrepareDefaultLogPath(const std::string& tvcorePath);

// Starts the operation log at `path`, appending to a file that is there.
// Empty when the file could be opened, else the system's reason why not;
// the log then writes nothing (it never stops the program).
std::string StartLogFile(const std::string& path);

}  // namespace tv
