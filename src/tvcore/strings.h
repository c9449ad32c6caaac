// The library's localised strings, by product, id and language.
#pragma once

#include <string>

namespace tv::tvcore {

// Where the strings come from: the library's string resources on Windows,
// the compiled-in table elsewhere.
class StringSource {
 public:
  virtual ~StringSource() = default;
  // The string with this resource number; empty when there is none.
  virtual std::string Load(int resource) const = 0;
};

// The table of string_table.inc.
class CompiledStrings : public StringSource {
 public:
  std::string Load(int resource) const override;
};

const StringSource& LibraryStrings();

// Results of GetString.
inline constexpr int kStringFound = 0;
inline constexpr int kStringMissing = 1;
inline constexpr int kStringBadProduct = -1;
inline constexpr int kStringBadArgument = -2;

// The string `id` of `product` (-1 for the shared texts) in `language`, or in
// language 0 when that language lacks it.
int LookupString(const StringSource& source, int language, int product, int id, std::string* text);

}  // namespace tv::tvcore
