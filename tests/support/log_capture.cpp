#include "support/log_capture.h"

#include <fstream>
#include <regex>

#include "log/log.h"

namespace tv::testing {

LogCapture::LogCapture() : m_path(m_folder.File("test.log")) { Log().Open(m_path.c_str(), true); }

LogCapture::~LogCapture() { Log().Close(); }

void LogCapture::Clear() { Log().Open(m_path.c_str(), true); }

std::vector<std::string> LogCapture::Lines() const {
  static const std::regex clockLine(R"(\[\d\d:\d\d:\d\d\])");
  std::vector<std::string> lines;
  std::ifstream file(m_path, std::ios::binary);
  for (std::string line; std::getline(file, line);) {
    if (!std::regex_match(line, clockLine)) lines.push_back(line);
  }
  return lines;
}

}  // namespace tv::testing
