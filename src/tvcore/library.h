// The library's state for the product that announced itself with Initialize,
// and the operations behind the exported functions. The exports forward to
// the one process-wide Library; tests build their own with a chosen
// environment.
#pragma once

#include <string>

#include "tvcore/notice.h"
#include "tvcore/recent_dir.h"
#include "tvcore/registry.h"
#include "tvcore/settings_store.h"
#include "tvcore/strings.h"

namespace tv::tvcore {

// What the library needs from the system.
struct LibraryEnvironment {
  std::string executablePath;  // of the program that loaded the library
  std::string appDataFolder;   // the user's application data, with a final separator
  Registry* registry = nullptr;
  const StringSource* strings = nullptr;
  ShellFolderLookup shellFolder;
  NoticeSink notice;
};

// The settings read at Initialize.
struct ProductSettings {
  int savePath = 0;
  int language = 0;
  int needLog = 0;
  std::string lastPath;
  std::string supportEmail;
  std::string supportUrl;
  std::string homeUrl;
  std::string copyright;
  std::string programTitle;
  std::string version;
  std::string versionDescription;
  std::string programDir;
  int build = 0;
  std::string recentDir;
};

// The buffers of callers hold at least this many bytes unless a call says
// otherwise.
inline constexpr int kCallerBuffer = 260;
// GetRecentDir writes into buffers of at least this many bytes.
inline constexpr int kRecentDirBuffer = 255;

class Library {
 public:
  explicit Library(LibraryEnvironment environment);

  int Initialize(int code);

  // Settings.
  int ReadProfileString(const char* section, const char* key, const char* defaultValue, char* buffer, int size,
                        int decode) const;
  int SaveProfileString(const char* section, const char* key, const char* value) const;
  unsigned ReadProfileInt(const char* section, const char* key, unsigned defaultValue) const;
  int GetRecentDir(char* buffer);
  int SetRecentDir(const char* folder) const;

  // Folders and product information.
  int GetTempFilesFolder(char* buffer, int size) const;
  int GetLogFilesFolder(char* buffer) const;
  char* GetFullName(char* buffer) const;
  char* GetShortName(char* buffer) const;
  void GetRegistryName(char* buffer) const;
  char* GetSupportEMAIL(char* buffer) const;
  char* GetSupportURL(char* buffer) const;
  char* GetHomeURL(char* buffer) const;
  int GetCurLang() const;
  int GetString(int product, int id, char* buffer, unsigned* length) const;

  int product() const { return product_; }
  const ProductSettings& settings() const { return settings_; }
  const SettingsStore& store() const { return store_; }
  const LibraryEnvironment& environment() const { return environment_; }
  // Title, a blank and the version.
  std::string FullName() const;

 private:
  LibraryEnvironment environment_;
  int code_ = 0;
  int product_ = 0;
  std::string shortCode_;
  std::string registryName_;
  SettingsStore store_;
  ProductSettings settings_;
  // GetRecentDir(NULL) answers into this buffer of the library's own.
  char recentDir_[kCallerBuffer] = {};
};

// The library of this process, with the system's environment.
Library& ProcessLibrary();

}  // namespace tv::tvcore
