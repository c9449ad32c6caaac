#include "tvcore/html_writer.h"

namespace tv::tvcore {

HtmlWriter::~HtmlWriter() {
  if (file_ != platform::kInvalidFile) platform::CloseFile(file_);
}

bool HtmlWriter::Create(const std::string& path) {
  platform::OpenMode mode;
  mode.access = platform::Access::ReadWrite;
  mode.disposition = platform::Disposition::CreateNew;
  file_ = platform::OpenFile(path, mode);
  errors_ = file_ == platform::kInvalidFile ? 1 : 0;
  return errors_ == 0;
}

int HtmlWriter::Write(const std::string& text) {
  std::uint32_t written = 0;
  if (file_ == platform::kInvalidFile ||
      !platform::WriteFile(file_, text.data(), static_cast<std::uint32_t>(text.size()), &written) ||
      written != text.size()) {
    ++errors_;
  }
  return errors_;
}

int HtmlWriter::Text(const std::string& text, const char* tag) {
  if (tag == nullptr) return Write(text);
  return Write("<" + std::string(tag) + ">" + text + "</" + tag + ">");
}

int HtmlWriter::Bold(bool on) { return Write(on ? "<b>" : "</b>"); }

int HtmlWriter::LineBreak() { return Write("<br>"); }

int HtmlWriter::Anchor(const std::string& name) { return Write("<a name=\"" + name + "\">"); }

int HtmlWriter::EndAnchor() { return Write("</a>"); }

int HtmlWriter::Link(const std::string& text, const std::string& target) {
  return Write("<a href=\"" + target + "\">" + text + "</a>");
}

int HtmlWriter::Table(bool on, int border) {
  return Write(on ? "\n<table border=" + std::to_string(border) + ">\n" : "\n</table>\n");
}

int HtmlWriter::Row(bool on) { return Write(on ? "<tr>\n" : "</tr>\n"); }

int HtmlWriter::Cell(const std::string& text, const char* align) {
  std::string cell = "<td";
  if (align != nullptr) cell += " align=" + std::string(align);
  cell += ">";
  if (fontSize_ != 0) cell += cellFont_;
  cell += text;
  if (fontSize_ != 0) cell += "</font>";
  cell += "</td>\r\n";
  return Write(cell);
}

int HtmlWriter::Font(const std::string& face, int size) {
  fontSize_ = size;
  cellFont_ = "<font size=\"" + std::to_string(size) + "\">";
  return Write("<font face=\"" + face + "\" size=\"" + std::to_string(size) + "\">");
}

int HtmlWriter::EndFont() {
  fontSize_ = 0;
  cellFont_.clear();
  return Write("</font>");
}

int HtmlWriter::PageHead(const std::string& title, const char* background) {
  const std::string attributes = background != nullptr ? "background=\"" + std::string(background) + "\"" : "";
  return Write("<HTML>\r\n<HEAD>\r\n<TITLE>" + title + "</TITLE>\r\n</HEAD><BODY " + attributes + ">\r\n");
}

int HtmlWriter::Close() {
  Write("</BODY>\r\n</HTML>\r\n");
  if (file_ != platform::kInvalidFile) {
    platform::CloseFile(file_);
    file_ = platform::kInvalidFile;
  }
  return errors_;
}

std::string EscapeHtml(const std::string& text) {
  std::string escaped;
  escaped.reserve(text.size());
  for (const char c : text) {
    switch (c) {
      case '&':
        escaped += "&amp;";
        break;
      case '<':
        escaped += "&lt;";
        break;
      case '>':
        escaped += "&gt;";
        break;
      case '"':
        escaped += "&quot;";
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

}  // namespace tv::tvcore
