// The parts of the diagnostics report that come from the maker's registry
// key: one section per installed product listing its files, and dumps of
// registry trees.
#pragma once

#include <string>
#include <vector>

#include "tvcore/html_writer.h"
#include "tvcore/registry.h"
#include "tvcore/system_info.h"

namespace tv::tvcore {

// The product keys below the maker's key, in index order, without the
// toolbox's own key.
std::vector<std::string> ProductKeys(Registry& registry);

// The program folder recorded for a product: the key's "ProgramDir" value,
// else the one of its "Product" subkey, where the settings keep it.
std::string ProductProgramDir(Registry& registry, const std::string& productKey);

// The product's section: heading, then a table of every file and folder
// below its program folder.
void WriteProductFiles(HtmlWriter& writer, const std::string& productKey, const std::string& storedFolder,
                       const std::string& longFolder);

// One table row of the product files.
void WriteFileRow(HtmlWriter& writer, const std::string& folder, const FolderEntry& entry);
// "A", "C", "E", "H", "O", "R", "S" for set attributes, "." for the others.
std::string AttributeLetters(std::uint32_t attributes);

struct RegistryTree {
  const char* anchor;
  const char* title;
  RegistryRoot root;
  const char* path;
};

// The seven trees in the order the report shows them.
const std::vector<RegistryTree>& ReportRegistryTrees();

void WriteRegistryTree(HtmlWriter& writer, Registry& registry, const RegistryTree& tree);
// "[ROOT\path]", the key's values, then every subkey the same way.
void DumpRegistryKey(HtmlWriter& writer, Registry& registry, RegistryRoot root, const std::string& path);

}  // namespace tv::tvcore
