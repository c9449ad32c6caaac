// The settings store of a product: an INI file named after the product
// beside the executable when one is there, else the product's registry key
// (on systems without a registry, its per-user stand-in). The choice is made
// once at Initialize; every call then goes to the store, nothing is cached.
#pragma once

#include <string>

#include "tvcore/notice.h"
#include "tvcore/registry.h"

namespace tv::tvcore {

enum class StoreKind { Ini, Registry };

struct StoreChoice {
  StoreKind kind = StoreKind::Registry;
  std::string name;  // the INI file's full path, or the product's registry name
};

// The INI candidate is the executable's folder and name (the product's short
// code instead of the name for products of the table) with ".ini"; it is
// chosen when it exists or is locked by another process.
StoreChoice ChooseStore(const std::string& executablePath, int product);

// Error code of the INI store for a file that cannot be opened.
inline constexpr int kIniUnavailable = -1;

class SettingsStore {
 public:
  SettingsStore(StoreChoice choice, Registry* registry, NoticeSink notice);

  // The exported calls; see tvcore_api.h.
  int ReadString(const char* section, const char* key, const char* defaultValue, char* buffer, int size,
                 int decode) const;
  int SaveString(const char* section, const char* key, const char* value) const;
  unsigned ReadInt(const char* section, const char* key, unsigned defaultValue) const;

  // A value read for the library's own use, at most capacity - 1 characters.
  // Values without a section cannot live in an INI file, so they read as
  // empty there (the exported call would list the section names instead).
  std::string ReadText(const char* section, const char* key, int capacity, bool decode) const;

  StoreKind kind() const { return choice_.kind; }
  const std::string& name() const { return choice_.name; }
  // "Software\Morvanix\<registry name>", then "\<section>" when one is given.
  std::string KeyPath(const char* section) const;

 private:
  bool IniFileOpens() const;

  StoreChoice choice_;
  Registry* registry_;
  NoticeSink notice_;
};

// The leading decimal number of a text (blanks and a sign allowed before the
// digits), 0 when it has none, as the registry store reads integers.
unsigned LeadingDecimal(const char* text);

}  // namespace tv::tvcore
