// The small HTML writer of the diagnostics report. Every operation appends
// its text to the file and answers the error count, which grows by one for
// each write that was not complete; writing goes on after an error.
#pragma once

#include <string>

#include "platform/files.h"

namespace tv::tvcore {

class HtmlWriter {
 public:
  HtmlWriter() = default;
  ~HtmlWriter();
  HtmlWriter(const HtmlWriter&) = delete;
  HtmlWriter& operator=(const HtmlWriter&) = delete;

  // Creates a new file; it must not exist yet. False (and an error count of
  // 1) when it cannot be created.
  bool Create(const std::string& path);

  int Text(const std::string& text, const char* tag = nullptr);
  int Bold(bool on);
  int LineBreak();
  int Anchor(const std::string& name);
  int EndAnchor();
  int Link(const std::string& text, const std::string& target);
  int Table(bool on, int border = 0);
  int Row(bool on);
  int Cell(const std::string& text, const char* align = nullptr);
  int Font(const std::string& face, int size);
  int EndFont();
  int PageHead(const std::string& title, const char* background = nullptr);
  int Close();

  int errors() const { return errors_; }

 private:
  int Write(const std::string& text);

  int errors_ = 0;
  platform::FileHandle file_ = platform::kInvalidFile;
  int fontSize_ = 0;
  std::string cellFont_;
};

// Text from the machine (names, values, paths) with the characters that
// HTML gives a meaning to written as entities.
std::string EscapeHtml(const std::string& text);

}  // namespace tv::tvcore
