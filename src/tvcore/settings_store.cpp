#include "tvcore/settings_store.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/types.h"
#include "tvcore/products.h"
#include "tvcore/profile.h"
#include "tvcore/registry_standin.h"
#include "tvcore/scramble.h"

namespace tv::tvcore {

namespace {

// The registry answers this when a value does not fit the caller's buffer.
constexpr std::uint32_t kMoreData = 234;
// ReadProfileInt reads registry values through a buffer of this size.
constexpr int kIntBuffer = 255;

bool HasSection(const char* section) { return section != nullptr && section[0] != '\0'; }

// Copies `text` and its zero into the buffer when both fit.
bool CopyWhole(const std::string& text, char* buffer, int size) {
  if (text.size() + 1 > static_cast<std::size_t>(size)) return false;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  return true;
}

// Copies as much of `text` as fits, always ending with a zero.
void CopyCut(const char* text, char* buffer, int size) {
  const std::size_t count = std::min(std::strlen(text), static_cast<std::size_t>(size) - 1);
  std::memcpy(buffer, text, count);
  buffer[count] = '\0';
}

}  // namespace

StoreChoice ChooseStore(const std::string& executablePath, int product) {
  const std::size_t nameStart = platform::FileNameStart(executablePath);
  const std::string folder = executablePath.substr(0, nameStart);
  std::string name = executablePath.substr(nameStart);
  if (const std::size_t dot = name.rfind('.'); dot != std::string::npos) name.resize(dot);

  const ProductRow* row = FindProduct(product);
  if (row != nullptr) name = row->shortCode;
  const std::string candidate = folder + name + ".ini";

  platform::SetLastError(err::kSuccess);
  if (platform::PathExists(candidate) || platform::GetLastError() == err::kSharingViolation) {
    return StoreChoice{StoreKind::Ini, candidate};
  }
  return StoreChoice{StoreKind::Registry, row != nullptr ? row->registryName : ""};
}

unsigned LeadingDecimal(const char* text) {
  while (*text == ' ' || *text == '\t') ++text;
  const bool negative = *text == '-';
  if (*text == '-' || *text == '+') ++text;
  unsigned number = 0;
  for (; *text >= '0' && *text <= '9'; ++text) number = number * 10u + static_cast<unsigned>(*text - '0');
  return negative ? 0u - number : number;
}

SettingsStore::SettingsStore(StoreChoice choice, Registry* registry, NoticeSink notice)
    : choice_(std::move(choice)), registry_(registry), notice_(std::move(notice)) {}

std::string SettingsStore::KeyPath(const char* section) const {
  std::string path = std::string(kMakerKey) + "\\" + choice_.name;
  if (HasSection(section)) {
    path += '\\';
    path += section;
  }
  return path;
}

bool SettingsStore::IniFileOpens() const {
  platform::OpenMode mode;
  mode.access = platform::Access::Read;
  mode.disposition = platform::Disposition::OpenExisting;
  mode.shareRead = true;
  const platform::FileHandle file = platform::OpenFile(choice_.name, mode);
  if (file == platform::kInvalidFile) return false;
  platform::CloseFile(file);
  return true;
}

int SettingsStore::ReadString(const char* section, const char* key, const char* defaultValue, char* buffer,
                              int size, int decode) const {
  if (buffer == nullptr || size <= 0) return static_cast<int>(err::kInvalidParameter);
  int result = 0;
  if (choice_.kind == StoreKind::Ini) {
    if (!IniFileOpens() || (section != nullptr && section[0] == '\0')) return kIniUnavailable;
    // The INI store answers the profile call's count and ignores the default,
    // as it always has: a missing key reads as empty.
    result = ProfileGetString(section, key, "", buffer, size, choice_.name);
  } else {
    std::unique_ptr<RegistryKey> opened;
    const std::uint32_t openError = registry_->Open(RegistryRoot::CurrentUser, KeyPath(section), &opened);
    if (openError != err::kSuccess) {
      CopyCut(defaultValue != nullptr ? defaultValue : "", buffer, size);
      result = static_cast<int>(openError);
    } else {
      RegistryValue value;
      std::uint32_t queryError = opened->Query(key != nullptr ? key : "", &value);
      if (queryError == err::kSuccess && !CopyWhole(value.text, buffer, size)) queryError = kMoreData;
      result = static_cast<int>(queryError);
    }
  }
  if ((decode & 0xFF) != 0) DecodeScrambledInPlace(buffer, static_cast<std::size_t>(size));
  return result;
}

int SettingsStore::SaveString(const char* section, const char* key, const char* value) const {
  if (choice_.kind == StoreKind::Ini) {
    if (!IniFileOpens()) return kIniUnavailable;
    // An INI file has no place for values outside a section.
    if (section == nullptr) return 0;
    return ProfileWriteString(section, key, value, choice_.name) ? 1 : 0;
  }
  const std::string path = KeyPath(section);
  std::unique_ptr<RegistryKey> opened;
  const std::uint32_t openError = registry_->Open(RegistryRoot::CurrentUser, path, &opened);
  if (openError != err::kSuccess) {
    notice_(Notice{path, "Error open key!", NoticeIcon::None});
    return static_cast<int>(openError);
  }
  const std::uint32_t writeError = opened->SetString(key != nullptr ? key : "", value != nullptr ? value : "");
  if (writeError != err::kSuccess) notice_(Notice{"Error write key", "WritePrivateProfileString", NoticeIcon::None});
  return static_cast<int>(writeError);
}

unsigned SettingsStore::ReadInt(const char* section, const char* key, unsigned defaultValue) const {
  if (choice_.kind == StoreKind::Ini) {
    if (!HasSection(section) || !IniFileOpens()) return 0;
    return ProfileGetInt(section, key, static_cast<int>(defaultValue), choice_.name);
  }
  char buffer[kIntBuffer] = {};
  if (ReadString(section, key, "", buffer, kIntBuffer, 0) != 0) return defaultValue;
  buffer[kIntBuffer - 1] = '\0';
  return LeadingDecimal(buffer);
}

std::string SettingsStore::ReadText(const char* section, const char* key, int capacity, bool decode) const {
  if (choice_.kind == StoreKind::Ini && section == nullptr) return {};
  std::vector<char> buffer(static_cast<std::size_t>(capacity), '\0');
  ReadString(section, key, "", buffer.data(), capacity, decode ? 1 : 0);
  buffer.back() = '\0';
  return buffer.data();
}

}  // namespace tv::tvcore
