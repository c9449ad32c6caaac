// The scratch and log folders of the library's products, below the user's
// application-data folder: <app data>Talvenor/<short code>/ and its Logs/.
#pragma once

#include <string>

namespace tv::tvcore {

// Both create the folders they name when missing and answer them with a
// final separator. A folder that cannot be created is still answered; the
// caller fails when it uses it.
std::string ProductTempFolder(const std::string& appDataFolder, const std::string& shortCode);
std::string ProductLogFolder(const std::string& appDataFolder, const std::string& shortCode);

}  // namespace tv::tvcore
