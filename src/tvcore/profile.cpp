#include "tvcore/profile.h"

#include <algorithm>
#include <cstring>
#include <string_view>

#include "tvcore/file_text.h"
#include "tvcore/ini_document.h"

namespace tv::tvcore {

namespace {

// Profile files are small; a larger file is treated as unreadable.
constexpr std::size_t kMaxProfileFile = std::size_t{16} << 20;

IniDocument LoadDocument(const std::string& path) {
  std::string text;
  if (!ReadWholeFile(path, &text, kMaxProfileFile)) return IniDocument{};
  return IniDocument::Parse(text);
}

}  // namespace

int CopyProfileValue(std::string_view value, char* buffer, int size) {
  const std::size_t count = std::min(value.size(), static_cast<std::size_t>(size) - 1);
  std::memcpy(buffer, value.data(), count);
  buffer[count] = '\0';
  return static_cast<int>(count);
}

int CopyProfileList(const std::vector<std::string>& names, char* buffer, int size) {
  std::string list;
  for (const std::string& name : names) {
    list += name;
    list += '\0';
  }
  const auto capacity = static_cast<std::size_t>(size);
  if (list.size() + 1 <= capacity) {
    std::memcpy(buffer, list.data(), list.size());
    buffer[list.size()] = '\0';
    return static_cast<int>(list.size());
  }
  if (capacity < 2) {
    buffer[0] = '\0';
    return 0;
  }
  std::memcpy(buffer, list.data(), capacity - 2);
  buffer[capacity - 2] = '\0';
  buffer[capacity - 1] = '\0';
  return size - 2;
}

namespace {

// Splits a zero-separated list as the list calls return it.
std::vector<std::string> SplitList(const std::vector<char>& buffer, int length) {
  std::vector<std::string> names;
  std::size_t start = 0;
  for (std::size_t i = 0; i < static_cast<std::size_t>(length); ++i) {
    if (buffer[i] == '\0') {
      if (i > start) names.emplace_back(buffer.data() + start, i - start);
      start = i + 1;
    }
  }
  if (start < static_cast<std::size_t>(length)) names.emplace_back(buffer.data() + start, length - start);
  return names;
}

// Calls ProfileGetString with a growing buffer until the answer fits.
int ReadGrowing(const char* section, const char* key, const char* defaultValue, const std::string& path,
                std::vector<char>* buffer) {
  const int slack = (section == nullptr || key == nullptr) ? 2 : 1;
  buffer->assign(1024, '\0');
  for (;;) {
    const int size = static_cast<int>(buffer->size());
    const int length = ProfileGetString(section, key, defaultValue, buffer->data(), size, path);
    if (length < size - slack || buffer->size() >= kMaxProfileFile) return length;
    buffer->assign(buffer->size() * 4, '\0');
  }
}

}  // namespace

int PortableProfileGetString(const char* section, const char* key, const char* defaultValue, char* buffer,
                             int size, const std::string& path) {
  if (buffer == nullptr || size <= 0) return 0;
  const IniDocument document = LoadDocument(path);
  if (section == nullptr) return CopyProfileList(document.SectionNames(), buffer, size);
  if (key == nullptr) return CopyProfileList(document.KeyNames(section), buffer, size);
  if (const auto value = document.Value(section, key)) return CopyProfileValue(*value, buffer, size);
  return CopyProfileValue(defaultValue == nullptr ? "" : defaultValue, buffer, size);
}

bool PortableProfileWriteString(const char* section, const char* key, const char* value, const std::string& path) {
  if (section == nullptr) return false;
  IniDocument document = LoadDocument(path);
  if (key == nullptr) {
    document.RemoveSection(section);
  } else if (value == nullptr) {
    document.RemoveKey(section, key);
  } else {
    document.SetValue(section, key, value);
  }
  return WriteWholeFile(path, document.Serialize());
}

unsigned PortableProfileGetInt(const char* section, const char* key, int defaultValue, const std::string& path) {
  if (section == nullptr || key == nullptr) return static_cast<unsigned>(defaultValue);
  const auto value = LoadDocument(path).Value(section, key);
  if (!value || value->empty()) return static_cast<unsigned>(defaultValue);
  std::size_t i = 0;
  const bool negative = (*value)[0] == '-';
  if (negative || (*value)[0] == '+') ++i;
  unsigned number = 0;
  for (; i < value->size() && (*value)[i] >= '0' && (*value)[i] <= '9'; ++i) {
    number = number * 10u + static_cast<unsigned>((*value)[i] - '0');
  }
  return negative ? 0u : number;
}

std::vector<std::string> ProfileSectionNames(const std::string& path) {
  std::vector<char> buffer;
  const int length = ReadGrowing(nullptr, nullptr, "", path, &buffer);
  return SplitList(buffer, length);
}

std::vector<std::string> ProfileKeyNames(const std::string& section, const std::string& path) {
  std::vector<char> buffer;
  const int length = ReadGrowing(section.c_str(), nullptr, "", path, &buffer);
  return SplitList(buffer, length);
}

std::string ProfileReadString(const std::string& section, const std::string& key, const std::string& defaultValue,
                              const std::string& path) {
  std::vector<char> buffer;
  const int length = ReadGrowing(section.c_str(), key.c_str(), defaultValue.c_str(), path, &buffer);
  return std::string(buffer.data(), static_cast<std::size_t>(length));
}

}  // namespace tv::tvcore
