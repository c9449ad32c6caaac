// Points the process-wide log at a fresh file and reads back what was written
// to it, without the clock lines.
#pragma once

#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace tv::testing {

class LogCapture {
 public:
  LogCapture();
  ~LogCapture();  // closes the log
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  // The message lines written so far.
  std::vector<std::string> Lines() const;
  // Empties the file, so that Lines() shows only what comes next.
  void Clear();

 private:
  TempFolder m_folder;
  std::string m_path;
};

}  // namespace tv::testing
