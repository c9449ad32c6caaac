// The diagnostics report: one HTML page about the machine, the environment,
// the running processes, the maker's installed products and several registry
// trees, packed as the only entry of a ZIP archive.
#pragma once

#include <string>
#include <vector>

#include "tvcore/html_writer.h"
#include "tvcore/library.h"

namespace tv::tvcore {

struct ReportHead {
  std::string archivePath;
  std::string productName;
  std::string kind;
  int build = 0;
  std::string createdAt;  // the local time as its 24-character text and a line feed
};

// The report's first lines, its two support paragraphs and the contents.
void WriteReportHead(HtmlWriter& writer, const ReportHead& head, const std::vector<std::string>& productKeys);

// Where the HTML file goes: beside the archive, its extension replaced by
// "htm" (or ".htm" added when the file name has no dot). A name that would be
// the archive itself gets ".htm" added instead.
std::string HtmlPathFor(const std::string& archivePath);
// The n-th other choice when the first is taken by a file the report did not
// write: "report-1.htm", "report-2.htm" and so on.
std::string NumberedHtmlPath(const std::string& htmlPath, int number);

// The TVdiag export: writes the report to `path` (pack 0) or beside it and
// packs it into the archive `path`. Answers the writer's error count (a
// failed packing counts as one more error) or -1 when the HTML file cannot
// be created.
int RunDiagnostics(const Library& library, const char* path, int pack, const char* caption, const char* kind,
                   int build);

// The support addresses the report gives the user.
inline constexpr const char* kSupportEmail = "support@talvenor.example";
inline constexpr const char* kSupportPage = "https://www.talvenor.example/support/";

}  // namespace tv::tvcore
