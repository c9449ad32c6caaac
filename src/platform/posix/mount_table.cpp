#include "platform/posix/mount_table.h"

#include <sys/sysmacros.h>

#include <fstream>
#include <sstream>

namespace tv::platform::posix {

namespace {

// The table writes a blank, tab, newline and backslash in a field as a
// backslash and three octal digits.
std::string Unescape(const std::string& field) {
  std::string out;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const std::string digits = field.substr(i + 1, 3);
      if (digits.find_first_not_of("01234567") == std::string::npos) {
        out += static_cast<char>(std::stoi(digits, nullptr, 8));
        i += 3;
        continue;
      }
    }
    out += field[i];
  }
  return out;
}

}  // namespace

std::string MountSource(dev_t device) {
  std::ifstream table("/proc/self/mountinfo");
  const std::string wanted = std::to_string(major(device)) + ":" + std::to_string(minor(device));
  std::string line;
  while (std::getline(table, line)) {
    // "id parent major:minor root mount-point options ... - type source ..."
    std::istringstream fields(line);
    std::string id, parent, number;
    if (!(fields >> id >> parent >> number) || number != wanted) continue;
    const std::size_t separator = line.find(" - ");
    if (separator == std::string::npos) continue;
    std::istringstream tail(line.substr(separator + 3));
    std::string type, source;
    if (tail >> type >> source) return Unescape(source);
  }
  return {};
}

}  // namespace tv::platform::posix
