// The tvcore INI reader: parsing any text, every query on what it found, the
// edits, and writing it back. Written text read again must give the same
// text once more: the reader and the writer agree on every line.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tvcore/ini_document.h"

using tv::tvcore::IniDocument;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  IniDocument document = IniDocument::Parse(text);

  std::vector<std::string> sections = document.SectionNames();
  sections.insert(sections.begin(), std::string());
  for (const std::string& section : sections) {
    if (!document.HasSection(section)) std::abort();
    for (const std::string& key : document.KeyNames(section)) {
      if (!document.Value(section, key)) std::abort();
    }
  }

  const std::string written = document.Serialize();
  if (IniDocument::Parse(written).Serialize() != written) std::abort();

  // Edits of the first section and key found, as the settings store makes them.
  const std::string section = sections.size() > 1 ? sections[1] : std::string("Options");
  const std::vector<std::string> keys = document.KeyNames(section);
  const std::string key = keys.empty() ? std::string("NeedLog") : keys.front();
  document.SetValue(section, key, "1");
  if (document.Value(section, key) != std::optional<std::string>("1")) std::abort();
  document.SetValue(section, "Added", "\"quoted\"");
  document.RemoveKey(section, key);
  document.RemoveSection(section);
  document.RemoveSection("");
  document.Serialize();
  return 0;
}
