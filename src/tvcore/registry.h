// The registry as the settings store and the diagnostics report see it: keys
// opened by path below a root (never created), string values read and
// written, values and subkeys listed in index order. On Windows it is the
// real registry; on other systems the per-user stand-in (registry_standin.h).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace tv::tvcore {

enum class RegistryRoot { CurrentUser, LocalMachine };

// Value types, as the registry numbers them.
inline constexpr std::uint32_t kRegString = 1;
inline constexpr std::uint32_t kRegExpandString = 2;
inline constexpr std::uint32_t kRegBinary = 3;
inline constexpr std::uint32_t kRegDword = 4;

struct RegistryValue {
  std::string name;  // empty for the key's unnamed value
  std::uint32_t type = kRegString;
  // Text values up to their first zero; a DWORD as its decimal number;
  // other data as its bytes.
  std::string text;
};

class RegistryKey {
 public:
  virtual ~RegistryKey() = default;
  // 0, or a Windows error code (2 when the value does not exist).
  virtual std::uint32_t Query(const std::string& name, RegistryValue* value) = 0;
  virtual std::uint32_t SetString(const std::string& name, const std::string& value) = 0;
  virtual std::vector<RegistryValue> Values() = 0;
  virtual std::vector<std::string> Subkeys() = 0;
};

class Registry {
 public:
  virtual ~Registry() = default;
  // 0 and the open key, or a Windows error code (2 when the key is missing).
  virtual std::uint32_t Open(RegistryRoot root, const std::string& path, std::unique_ptr<RegistryKey>* key) = 0;
};

// The registry of this system: the real one on Windows, the stand-in below
// the user's configuration folder elsewhere.
Registry& SystemRegistry();

}  // namespace tv::tvcore
