// An INI file in memory, with the rules of the system's profile functions:
// sections and keys compare without regard to ASCII case, the first match
// wins, blanks around keys and values are dropped, and one pair of matching
// quotes around a value is removed when it is read. Lines that are not
// sections or keys (comments, blank lines) are kept as they are on writing.
//
// Keys above the first section header form the unnamed head section, which
// the profile functions never see; the per-user stand-in of the registry keeps
// the values of a product's own key there.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tv::tvcore {

class IniDocument {
 public:
  static IniDocument Parse(std::string_view text);
  std::string Serialize() const;

  // Named sections in file order; the unnamed head is not listed.
  std::vector<std::string> SectionNames() const;
  // The empty name stands for the unnamed head, which always exists.
  bool HasSection(std::string_view section) const;
  std::vector<std::string> KeyNames(std::string_view section) const;
  std::optional<std::string> Value(std::string_view section, std::string_view key) const;

  // Replaces the first matching key's value, or adds the key at the end of
  // the section; a missing section is added at the end of the file.
  void SetValue(std::string_view section, std::string_view key, std::string_view value);
  void RemoveKey(std::string_view section, std::string_view key);
  void RemoveSection(std::string_view section);

 private:
  struct Line {
    std::string key;    // empty for a line that is not a key
    std::string value;  // as written, blanks trimmed, quotes kept
    std::string raw;    // the whole line for lines that are not keys
  };
  struct Section {
    std::string name;
    std::vector<Line> lines;
  };

  Section* Find(std::string_view section);
  const Section* Find(std::string_view section) const;

  // sections_[0] is the unnamed head.
  std::vector<Section> sections_{Section{}};
};

bool EqualsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace tv::tvcore
