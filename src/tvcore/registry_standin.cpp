#include "tvcore/registry_standin.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/folders.h"
#include "platform/types.h"
#include "tvcore/file_text.h"
#include "tvcore/ini_document.h"

namespace tv::tvcore {

namespace {

constexpr std::size_t kMaxStandInFile = std::size_t{16} << 20;
constexpr const char* kExtension = ".ini";

std::vector<std::string> SplitKeyPath(const std::string& path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    const std::size_t end = path.find('\\', start);
    const std::string part = path.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!part.empty()) parts.push_back(part);
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return parts;
}

std::filesystem::path FsPath(const std::string& utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// The product files of the maker's folder, by registry name, sorted.
std::vector<std::string> ProductNames(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (std::filesystem::directory_iterator it(FsPath(folder), error), end; !error && it != end; it.increment(error)) {
    const std::filesystem::path& file = it->path();
    if (!it->is_regular_file(error) || !EqualsIgnoringCase(Utf8(file.extension()), kExtension)) continue;
    names.push_back(Utf8(file.stem()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

// The maker's folder itself: product keys as subkeys, no values.
class MakerKey : public RegistryKey {
 public:
  explicit MakerKey(std::string folder) : folder_(std::move(folder)) {}
  std::uint32_t Query(const std::string&, RegistryValue*) override { return err::kFileNotFound; }
  std::uint32_t SetString(const std::string&, const std::string&) override { return err::kAccessDenied; }
  std::vector<RegistryValue> Values() override { return {}; }
  std::vector<std::string> Subkeys() override { return ProductNames(folder_); }

 private:
  std::string folder_;
};

// A product key (section "") or one of its subkeys (a section of its file).
class SectionKey : public RegistryKey {
 public:
  SectionKey(std::string file, std::string section) : file_(std::move(file)), section_(std::move(section)) {}

  std::uint32_t Query(const std::string& name, RegistryValue* value) override {
    const auto text = Load().Value(section_, name);
    if (!text) return err::kFileNotFound;
    *value = RegistryValue{name, kRegString, *text};
    return err::kSuccess;
  }

  std::uint32_t SetString(const std::string& name, const std::string& value) override {
    IniDocument document = Load();
    if (!document.HasSection(section_)) return err::kFileNotFound;
    document.SetValue(section_, name, value);
    return WriteWholeFile(file_, document.Serialize()) ? err::kSuccess : err::kAccessDenied;
  }

  std::vector<RegistryValue> Values() override {
    const IniDocument document = Load();
    std::vector<RegistryValue> values;
    for (const std::string& name : document.KeyNames(section_)) {
      values.push_back(RegistryValue{name, kRegString, document.Value(section_, name).value_or("")});
    }
    return values;
  }

  std::vector<std::string> Subkeys() override {
    std::vector<std::string> names;
    if (!section_.empty()) return names;
    for (std::string& name : Load().SectionNames()) {
      if (!name.empty()) names.push_back(std::move(name));
    }
    return names;
  }

 private:
  IniDocument Load() const {
    std::string text;
    if (!ReadWholeFile(file_, &text, kMaxStandInFile)) return IniDocument{};
    return IniDocument::Parse(text);
  }

  std::string file_;
  std::string section_;
};

}  // namespace

StandInRegistry::StandInRegistry(std::string makerFolder) : makerFolder_(std::move(makerFolder)) {}

std::uint32_t StandInRegistry::Open(RegistryRoot root, const std::string& path, std::unique_ptr<RegistryKey>* key) {
  const std::vector<std::string> parts = SplitKeyPath(path);
  if (root != RegistryRoot::CurrentUser || parts.size() < 2 || parts.size() > 4 ||
      !EqualsIgnoringCase(parts[0], "Software") || !EqualsIgnoringCase(parts[1], "Morvanix")) {
    return err::kFileNotFound;
  }
  std::error_code error;
  if (!std::filesystem::is_directory(FsPath(makerFolder_), error)) return err::kFileNotFound;
  if (parts.size() == 2) {
    *key = std::make_unique<MakerKey>(makerFolder_);
    return err::kSuccess;
  }

  // Key names compare without regard to case, as in the registry.
  const std::vector<std::string> products = ProductNames(makerFolder_);
  const auto product = std::find_if(products.begin(), products.end(),
                                    [&](const std::string& name) { return EqualsIgnoringCase(name, parts[2]); });
  if (product == products.end()) return err::kFileNotFound;
  const std::string file = platform::JoinPath(makerFolder_, *product + kExtension);

  std::string section;
  if (parts.size() == 4) {
    std::string text;
    if (!ReadWholeFile(file, &text, kMaxStandInFile)) return err::kFileNotFound;
    const IniDocument document = IniDocument::Parse(text);
    const std::vector<std::string> sections = document.SectionNames();
    const auto match = std::find_if(sections.begin(), sections.end(),
                                    [&](const std::string& name) { return EqualsIgnoringCase(name, parts[3]); });
    // An unnamed section in the file is not a subkey.
    if (match == sections.end() || match->empty()) return err::kFileNotFound;
    section = *match;
  }
  *key = std::make_unique<SectionKey>(file, section);
  return err::kSuccess;
}

}  // namespace tv::tvcore
