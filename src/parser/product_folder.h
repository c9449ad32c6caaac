// This program's folder under the user's application-data folder, which it
// uses only when the maker's shared library tvcore is installed beside it.
#pragma once

#include <optional>
#include <string>

namespace tv {

// Product number of this program in the maker's tables, and its short code.
inline constexpr int kProductNumber = 12;
// The code this program passes to tvcore's Initialize: its number plus 256.
inline constexpr int kProductCode = kProductNumber + 256;
inline constexpr const char* kProductShortCode = "vtl";
inline constexpr const char* kMakerFolderName = "Vardelin";

// Full path of tvcore beside the running executable.
std::string DefaultTvcorePath();

// Loads tvcore from `libraryPath`; when it loads and exports both
// `folderExport` and "Initialize", calls Initialize(kProductCode),
// makes ".../Vardelin/vtl/" in the application-data folder (with every
// missing folder above it) and returns it with a trailing separator. Without
// the library or either export, or when that folder cannot be made or a file
// cannot be created in it: nullopt, silently. The library is released again.
std::optional<std::string> ProductDataFolder(const std::string& libraryPath,
                                             const char* folderExport);

}  // namespace tv
