#include "tvcore/library.h"

#include <algorithm>
#include <cstring>

#include "tvcore/product_folders.h"
#include "tvcore/products.h"

namespace tv::tvcore {

namespace {

// Copies as much of `text` as fits into `size` bytes, always ending with a
// zero, and answers the buffer.
char* CopyInto(const std::string& text, char* buffer, int size) {
  if (buffer == nullptr || size <= 0) return buffer;
  const std::size_t count = std::min(text.size(), static_cast<std::size_t>(size) - 1);
  std::memcpy(buffer, text.data(), count);
  buffer[count] = '\0';
  return buffer;
}

ProductSettings LoadSettings(const SettingsStore& store) {
  ProductSettings settings;
  settings.savePath = static_cast<int>(store.ReadInt("Options", "SavePath", 0));
  settings.language = static_cast<int>(store.ReadInt(nullptr, "Language", 0));
  settings.needLog = static_cast<int>(store.ReadInt("Options", "NeedLog", 0));
  settings.lastPath = store.ReadText("Options", "LastPath", kCallerBuffer, false);
  settings.supportEmail = store.ReadText("Registration", "SupportEMAIL", 255, true);
  settings.supportUrl = store.ReadText("Registration", "SupportURL", 255, true);
  settings.homeUrl = store.ReadText("Registration", "HomeURL", 255, true);
  settings.copyright = store.ReadText("Registration", "Copyright", 255, true);
  settings.programTitle = store.ReadText("Registration", "ProgramTitle", 255, true);
  settings.version = store.ReadText("Registration", "Version", 255, true);
  settings.versionDescription = store.ReadText("Registration", "VersionDesc", 255, true);
  settings.programDir = store.ReadText("Product", "ProgramDir", 255, false);
  settings.build = static_cast<int>(LeadingDecimal(store.ReadText("Product", "Build", 255, false).c_str()));
  settings.recentDir = store.ReadText(nullptr, "RecentDir", 255, false);
  return settings;
}

}  // namespace

Library::Library(LibraryEnvironment environment)
    : environment_(std::move(environment)), store_(StoreChoice{}, environment_.registry, environment_.notice) {}

int Library::Initialize(int code) {
  code_ = code;
  product_ = code & 0xFF;
  const ProductRow* row = FindProduct(product_);
  shortCode_ = row != nullptr ? row->shortCode : "";
  registryName_ = row != nullptr ? row->registryName : "";
  store_ = SettingsStore(ChooseStore(environment_.executablePath, product_), environment_.registry,
                         environment_.notice);
  settings_ = LoadSettings(store_);
  return 0;
}

int Library::ReadProfileString(const char* section, const char* key, const char* defaultValue, char* buffer,
                               int size, int decode) const {
  return store_.ReadString(section, key, defaultValue, buffer, size, decode);
}

int Library::SaveProfileString(const char* section, const char* key, const char* value) const {
  return store_.SaveString(section, key, value);
}

unsigned Library::ReadProfileInt(const char* section, const char* key, unsigned defaultValue) const {
  return store_.ReadInt(section, key, defaultValue);
}

int Library::GetRecentDir(char* buffer) {
  const std::string folder = FindRecentDir(store_, product_, environment_.shellFolder);
  if (buffer == nullptr) {
    CopyInto(folder, recentDir_, kCallerBuffer);
    return static_cast<int>(std::strlen(recentDir_));
  }
  return static_cast<int>(std::strlen(CopyInto(folder, buffer, kRecentDirBuffer)));
}

int Library::SetRecentDir(const char* folder) const { return store_.SaveString(nullptr, "RecentDir", folder); }

int Library::GetTempFilesFolder(char* buffer, int size) const {
  if (product_ < 0) return -1;
  const std::string folder = ProductTempFolder(environment_.appDataFolder, shortCode_);
  CopyInto(folder, buffer, size);
  return static_cast<int>(folder.size());
}

int Library::GetLogFilesFolder(char* buffer) const {
  if (product_ < 0) return -1;
  const std::string folder = ProductLogFolder(environment_.appDataFolder, shortCode_);
  CopyInto(folder, buffer, kCallerBuffer);
  return static_cast<int>(folder.size()) - 1;
}

std::string Library::FullName() const { return settings_.programTitle + " " + settings_.version; }

char* Library::GetFullName(char* buffer) const {
  std::string name = FullName();
  if (!settings_.versionDescription.empty()) name += " " + settings_.versionDescription;
  return CopyInto(name, buffer, kCallerBuffer);
}

char* Library::GetShortName(char* buffer) const { return CopyInto(settings_.programTitle, buffer, kCallerBuffer); }

void Library::GetRegistryName(char* buffer) const {
  if (product_ >= 0) CopyInto(registryName_, buffer, kCallerBuffer);
}

char* Library::GetSupportEMAIL(char* buffer) const { return CopyInto(settings_.supportEmail, buffer, kCallerBuffer); }

char* Library::GetSupportURL(char* buffer) const { return CopyInto(settings_.supportUrl, buffer, kCallerBuffer); }

char* Library::GetHomeURL(char* buffer) const { return CopyInto(settings_.homeUrl, buffer, kCallerBuffer); }

int Library::GetCurLang() const { return settings_.language; }

int Library::GetString(int product, int id, char* buffer, unsigned* length) const {
  if (product < -1 || product >= kProductCount) return kStringBadProduct;
  if (buffer == nullptr || length == nullptr) return kStringBadArgument;
  std::string text;
  const int result = LookupString(*environment_.strings, settings_.language, product, id, &text);
  if (result != kStringFound) return result;
  std::memcpy(buffer, text.c_str(), text.size() + 1);
  *length = static_cast<unsigned>(text.size());
  return kStringFound;
}

}  // namespace tv::tvcore
