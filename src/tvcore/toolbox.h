// The toolbox: the maker's products as its installers describe them in the
// toolbox folder. Every file whose name starts with "t" describes one
// installed product (section "Product": "ProductName", "ProgramDir"); the
// newest of them also defines the toolbox: its groups and one section per
// product with its web address, executable, description and group.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tv::tvcore {

struct ToolboxEntry {
  std::string name;
  std::string description;
  std::string homeUrl;
  std::string executablePath;  // program folder, separator, handle and ".exe"
  bool installed = false;
  int group = 0;
};

struct ToolboxGroup {
  std::string name;
  int number = 0;
};

struct Toolbox {
  std::string definitionFile;
  std::vector<ToolboxGroup> groups;    // by number
  std::vector<ToolboxEntry> entries;   // by name, in byte order; entry i has command 2000 + i
};

// Reads the toolbox files of `folder`; nullopt when it holds none.
std::optional<Toolbox> ReadToolbox(const std::string& folder);

// What a key missing from a toolbox file reads as.
inline constexpr const char* kToolboxMissingKey = "INI Reading Error";

}  // namespace tv::tvcore
