// Where the system has no registry, the maker's keys live in files: the key
// HKEY_CURRENT_USER\Software\Morvanix is a folder, each product key below it
// an INI file named after the product's registry name, and each subkey of a
// product a section of that file. The values of the product key itself sit
// above the file's first section. No other key exists.
#pragma once

#include <string>

#include "tvcore/registry.h"

namespace tv::tvcore {

class StandInRegistry : public Registry {
 public:
  // `makerFolder` stands for HKEY_CURRENT_USER\Software\Morvanix.
  explicit StandInRegistry(std::string makerFolder);
  std::uint32_t Open(RegistryRoot root, const std::string& path, std::unique_ptr<RegistryKey>* key) override;

  const std::string& makerFolder() const { return makerFolder_; }

 private:
  std::string makerFolder_;
};

// The key of the maker, below which every product keeps its settings.
inline constexpr const char* kMakerKey = "Software\\Morvanix";

}  // namespace tv::tvcore
