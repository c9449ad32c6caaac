#include "app/entry_format.h"

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
  return text + path;
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
