#include "tvcore/ini_document.h"

#include <algorithm>
#include <iterator>

namespace tv::tvcore {

namespace {

#ifdef _WIN32
constexpr std::string_view kLineEnd = "\r\n";
#else
constexpr std::string_view kLineEnd = "\n";
#endif

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string_view Trim(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

std::string Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    value = value.substr(1, value.size() - 2);
  }
  return std::string(value);
}

}  // namespace

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return LowerAscii(x) == LowerAscii(y); });
}

IniDocument IniDocument::Parse(std::string_view text) {
  IniDocument document;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view raw = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);

    const std::string_view line = Trim(raw);
    if (!line.empty() && line.front() == '[') {
      const std::size_t close = line.find(']');
      const std::string_view name = line.substr(1, close == std::string_view::npos ? line.npos : close - 1);
      document.sections_.push_back(Section{std::string(Trim(name)), {}});
      continue;
    }
    Line entry;
    const std::size_t equals = line.find('=');
    if (line.empty() || line.front() == ';' || equals == std::string_view::npos || Trim(line.substr(0, equals)).empty()) {
      entry.raw = std::string(Trim(raw));
    } else {
      entry.key = std::string(Trim(line.substr(0, equals)));
      entry.value = std::string(Trim(line.substr(equals + 1)));
    }
    document.sections_.back().lines.push_back(std::move(entry));
  }
  return document;
}

std::string IniDocument::Serialize() const {
  std::string text;
  for (std::size_t i = 0; i < sections_.size(); ++i) {
    if (i > 0) {
      text += '[';
      text += sections_[i].name;
      text += ']';
      text += kLineEnd;
    }
    for (const Line& line : sections_[i].lines) {
      text += line.key.empty() ? line.raw : line.key + "=" + line.value;
      text += kLineEnd;
    }
  }
  return text;
}

IniDocument::Section* IniDocument::Find(std::string_view section) {
  return const_cast<Section*>(static_cast<const IniDocument*>(this)->Find(section));
}

const IniDocument::Section* IniDocument::Find(std::string_view section) const {
  if (section.empty()) return &sections_.front();
  for (std::size_t i = 1; i < sections_.size(); ++i) {
    if (EqualsIgnoringCase(sections_[i].name, section)) return &sections_[i];
  }
  return nullptr;
}

std::vector<std::string> IniDocument::SectionNames() const {
  std::vector<std::string> names;
  for (std::size_t i = 1; i < sections_.size(); ++i) names.push_back(sections_[i].name);
  return names;
}

bool IniDocument::HasSection(std::string_view section) const { return Find(section) != nullptr; }

std::vector<std::string> IniDocument::KeyNames(std::string_view section) const {
  std::vector<std::string> names;
  if (const Section* found = Find(section)) {
    for (const Line& line : found->lines) {
      if (!line.key.empty()) names.push_back(line.key);
    }
  }
  return names;
}

std::optional<std::string> IniDocument::Value(std::string_view section, std::string_view key) const {
  const Section* found = Find(section);
  if (found == nullptr) return std::nullopt;
  for (const Line& line : found->lines) {
    if (!line.key.empty() && EqualsIgnoringCase(line.key, key)) return Unquote(line.value);
  }
  return std::nullopt;
}

void IniDocument::SetValue(std::string_view section, std::string_view key, std::string_view value) {
  Section* found = Find(section);
  if (found == nullptr) {
    sections_.push_back(Section{std::string(section), {}});
    found = &sections_.back();
  }
  for (Line& line : found->lines) {
    if (!line.key.empty() && EqualsIgnoringCase(line.key, key)) {
      line.value = std::string(value);
      return;
    }
  }
  // New keys go after the section's last key, before trailing blank lines.
  auto position = found->lines.end();
  while (position != found->lines.begin() && std::prev(position)->key.empty() && std::prev(position)->raw.empty()) {
    --position;
  }
  found->lines.insert(position, Line{std::string(key), std::string(value), {}});
}

void IniDocument::RemoveKey(std::string_view section, std::string_view key) {
  Section* found = Find(section);
  if (found == nullptr) return;
  const auto match = std::find_if(found->lines.begin(), found->lines.end(), [&](const Line& line) {
    return !line.key.empty() && EqualsIgnoringCase(line.key, key);
  });
  if (match != found->lines.end()) found->lines.erase(match);
}

void IniDocument::RemoveSection(std::string_view section) {
  if (section.empty()) {
    sections_.front().lines.clear();
    return;
  }
  const Section* found = Find(section);
  if (found == nullptr) return;
  sections_.erase(sections_.begin() + (found - sections_.data()));
}

}  // namespace tv::tvcore
