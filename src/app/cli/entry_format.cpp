#include "app/cli/entry_format.h"

#include <cinttypes>
#include <cstdio>

#include "platform/times.h"

namespace tv {

std::string IsoTime(FileTime time) {
  if (!IsTimeKnown(time)) return {};
  const platform::CalendarTime t = platform::FileTimeToCalendar(time);
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02dZ", t.year, t.month, t.day, t.hour, t.minute,
                t.second);
  return text;
}

std::string FormatEntryLine(const TreeNode& node, const std::string& path) {
  const std::string modified = IsTimeKnown(node.modifiedTime) ? IsoTime(node.modifiedTime) : kUnknownTimeLabel;
  const std::string created = IsTimeKnown(node.creationTime) ? IsoTime(node.creationTime) : kUnknownTimeLabel;
  char text[128];
  std::snprintf(text, sizeof text, "%-7s %14" PRIu64 "  %-20s  %-20s  %10" PRIu32 "  ", ConditionLabel(node),
                node.size, modified.c_str(), created.c_str(), node.key);
  return text + EscapeControlCharacters(path);
}

namespace {

bool IsContinuationByte(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// The length of the well-formed UTF-8 sequence at `at`, or 0 when the byte
// there begins none (overlong forms are not well-formed).
std::size_t SequenceLength(const std::string& text, std::size_t at) {
  const auto lead = static_cast<unsigned char>(text[at]);
  std::size_t length = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
  } else {
    return 0;
  }
  if (text.size() - at < length) return 0;
  const auto second = static_cast<unsigned char>(text[at + 1]);
  if ((lead == 0xE0 && second < 0xA0) || (lead == 0xF0 && second < 0x90)) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if (!IsContinuationByte(static_cast<unsigned char>(text[at + i]))) return 0;
  }
  return length;
}

void AppendEscape(std::string& out, unsigned code) {
  char escaped[8];
  std::snprintf(escaped, sizeof escaped, "<%02X>", code);
  out += escaped;
}

}  // namespace

std::string EscapeControlCharacters(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  std::size_t at = 0;
  while (at < text.size()) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte < 0x80) {
      if (byte < 0x20 || byte == 0x7F) {
        AppendEscape(out, byte);
      } else {
        out += text[at];
      }
      ++at;
      continue;
    }
    const std::size_t length = SequenceLength(text, at);
    if (length == 0) {
      // A stray byte: 0x80 to 0x9F are C1 controls to a terminal that does
      // not read UTF-8; the others pass as they are.
      if (byte <= 0x9F) {
        AppendEscape(out, byte);
      } else {
        out += text[at];
      }
      ++at;
    } else if (length == 2 && byte == 0xC2 && static_cast<unsigned char>(text[at + 1]) <= 0x9F) {
      AppendEscape(out, static_cast<unsigned char>(text[at + 1]));  // U+0080 to U+009F
      at += 2;
    } else {
      out.append(text, at, length);
      at += length;
    }
  }
  return out;
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string FormatEntryJson(const TreeNode& node, const std::string& path) {
  const auto timeOrNull = [](FileTime time) { return IsTimeKnown(time) ? JsonString(IsoTime(time)) : "null"; };
  char damage[32];
  std::snprintf(damage, sizeof damage, "%.6g", static_cast<double>(node.damageLevel));
  std::string json = "{\"key\":" + std::to_string(node.key);
  json += ",\"path\":" + JsonString(path);
  json += ",\"name\":" + JsonString(node.name);
  json += std::string(",\"is_dir\":") + (node.IsDirectory() ? "true" : "false");
  json += std::string(",\"deleted\":") + (node.deleted ? "true" : "false");
  json += ",\"condition\":" + JsonString(ConditionLabel(node));
  json += std::string(",\"damage\":") + damage;
  json += ",\"size\":" + std::to_string(node.size);
  json += ",\"modified\":" + timeOrNull(node.modifiedTime);
  json += ",\"created\":" + timeOrNull(node.creationTime);
  json += ",\"original_path\":" + (node.OriginalPath().empty() ? std::string("null") : JsonString(node.OriginalPath()));
  return json + "}";
}

}  // namespace tv
