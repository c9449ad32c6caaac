// Whole small files (settings, toolbox definitions, the report) read into and
// written from memory through the platform layer.
#pragma once

#include <cstddef>
#include <string>

namespace tv::tvcore {

// Larger files are refused: settings and toolbox files are a few kilobytes,
// and the report is packed whole in memory anyway.
inline constexpr std::size_t kMaxWholeFile = std::size_t{1} << 30;

// False when the file cannot be opened or read, or is larger than `limit`.
bool ReadWholeFile(const std::string& path, std::string* contents, std::size_t limit = kMaxWholeFile);
// Creates or truncates the file.
bool WriteWholeFile(const std::string& path, const std::string& contents);

}  // namespace tv::tvcore
