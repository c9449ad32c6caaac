#include "tvcore/diag_report.h"

#include <cstdio>
#include <ctime>

#include "platform/errors.h"
#include "platform/files.h"
#include "tvcore/diag_registry.h"
#include "tvcore/diag_sections.h"
#include "tvcore/ini_document.h"
#include "tvcore/system_info.h"
#include "tvcore/zip_writer.h"

namespace tv::tvcore {

namespace {

// Other names tried when the HTML file's name is taken.
constexpr int kMaxHtmlNames = 100;

std::size_t FileNameStart(const std::string& path) {
  const std::size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? 0 : slash + 1;
}

std::string LocalTimeText() {
  const std::time_t now = std::time(nullptr);
  const std::tm* local = std::localtime(&now);
  if (local == nullptr) return "\n";
  // The 24-character form "Wed Jun 30 21:49:08 1993" and a line feed.
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  char text[64];
  std::snprintf(text, sizeof text, "%.3s %.3s%3d %.2d:%.2d:%.2d %d\n", kDays[local->tm_wday % 7],
                kMonths[local->tm_mon % 12], local->tm_mday, local->tm_hour, local->tm_min, local->tm_sec,
                1900 + local->tm_year);
  return text;
}

void WriteContents(HtmlWriter& writer, const std::vector<std::string>& productKeys) {
  writer.LineBreak();
  writer.Bold(true);
  writer.Text("Contents");
  writer.Bold(false);
  writer.Text("<blockquote>");

  writer.Bold(true);
  writer.Text("General System Information");
  writer.Bold(false);
  writer.Text("<blockquote>");
  writer.Link("Operting System And Miscellaneous", "#2");
  writer.LineBreak();
  writer.Link("Environment", "#1");
  writer.LineBreak();
  writer.Link("Applications Running", "#10");
  writer.Text("</blockquote>");

  writer.Bold(true);
  writer.Text("Product files");
  writer.Bold(false);
  writer.Text("<blockquote>");
  for (const std::string& key : productKeys) {
    writer.Link(EscapeHtml(key), "#" + EscapeHtml(key));
    writer.LineBreak();
  }
  writer.Text("</blockquote>");

  writer.Bold(true);
  writer.Text("Registry");
  writer.Bold(false);
  writer.Text("<blockquote>");
  // The contents list the trees in this order; the sections follow their own.
  for (const char* anchor : {"5", "3", "4", "7", "6", "8", "9"}) {
    for (const RegistryTree& tree : ReportRegistryTrees()) {
      if (std::string(tree.anchor) == anchor) writer.Link(tree.title, "#" + std::string(anchor));
    }
    writer.LineBreak();
  }
  writer.Text("</blockquote>");
  writer.Text("</blockquote>");
  writer.Text("<hr size=\"1\" color=\"#000000\">");
}

// Creates the HTML file at the first free one of its names. The report
// never removes a file it did not write, so a taken name moves it on.
bool CreateHtmlFile(HtmlWriter& writer, const std::string& firstChoice, std::string* created) {
  for (int number = 0; number < kMaxHtmlNames; ++number) {
    const std::string candidate = number == 0 ? firstChoice : NumberedHtmlPath(firstChoice, number);
    if (writer.Create(candidate)) {
      *created = candidate;
      return true;
    }
    if (platform::ClassifyError(platform::GetLastError()) != platform::FileErrorKind::Exists) return false;
  }
  return false;
}

}  // namespace

void WriteReportHead(HtmlWriter& writer, const ReportHead& head, const std::vector<std::string>& productKeys) {
  char created[512];
  std::snprintf(created, sizeof created, "Report created on %s from %s %s build %06d", head.createdAt.c_str(),
                EscapeHtml(head.productName).substr(0, 200).c_str(), EscapeHtml(head.kind).substr(0, 200).c_str(),
                head.build);
  writer.Bold(true);
  writer.Text("Talvenor Diagnostics 1.0");
  writer.LineBreak();
  writer.Text(created);
  writer.LineBreak();
  writer.Text("File: " + EscapeHtml(head.archivePath) + "\r\n");
  writer.Bold(false);
  writer.LineBreak();
  writer.LineBreak();
  writer.Text("This report describes your system for review by the Talvenor support staff. Please e-mail the "
              "report file to <a href=\"mailto:" + std::string(kSupportEmail) + "\">" + kSupportEmail +
                  "</a> and describe the problem you met.",
              "p");
  writer.LineBreak();
  writer.LineBreak();
  writer.Text("<p>Answers to common questions are on the Talvenor support web page: <a href=\"" +
              std::string(kSupportPage) + "\">" + kSupportPage + "</a><br>");
  WriteContents(writer, productKeys);
}

std::string HtmlPathFor(const std::string& archivePath) {
  // Only a dot in the file name starts an extension, not one in a folder name.
  const std::size_t nameStart = FileNameStart(archivePath);
  const std::size_t dot = archivePath.rfind('.');
  std::string html = dot != std::string::npos && dot >= nameStart ? archivePath.substr(0, dot + 1) + "htm"
                                                                   : archivePath + ".htm";
  if (EqualsIgnoringCase(html, archivePath)) html = archivePath + ".htm";
  return html;
}

std::string NumberedHtmlPath(const std::string& htmlPath, int number) {
  const std::size_t dot = htmlPath.rfind('.');
  return htmlPath.substr(0, dot) + "-" + std::to_string(number) + htmlPath.substr(dot);
}

int RunDiagnostics(const Library& library, const char* path, int pack, const char* caption, const char* kind,
                   int build) {
  const Notice failure{"Could not write selected file!", caption != nullptr ? caption : "", NoticeIcon::Stop};
  if (path == nullptr || path[0] == '\0') {
    library.environment().notice(failure);
    return -1;
  }
  const std::string target = path;
  std::string htmlPath = pack != 0 ? HtmlPathFor(target) : target;
  // Without packing the caller named the report file itself.
  if (pack == 0) platform::DeleteFile(target);

  HtmlWriter writer;
  if (!CreateHtmlFile(writer, htmlPath, &htmlPath)) {
    library.environment().notice(failure);
    return -1;
  }

  Registry& registry = *library.environment().registry;
  const std::vector<std::string> productKeys = ProductKeys(registry);
  ReportHead head;
  head.archivePath = target;
  head.productName = caption != nullptr ? caption : library.settings().programTitle;
  head.kind = kind != nullptr ? kind : "";
  head.build = build != 0 ? build : library.settings().build;
  head.createdAt = LocalTimeText();

  writer.PageHead("Talvenor diagnostics");
  writer.Font("Courier New", 2);
  WriteReportHead(writer, head, productKeys);
  WriteOperatingSystem(writer, CollectSystemSummary());
  WriteEnvironment(writer, CollectEnvironment());
  WriteProcesses(writer, CollectProcesses());
  for (const std::string& key : productKeys) {
    const std::string stored = ProductProgramDir(registry, key);
    WriteProductFiles(writer, key, stored, stored.empty() ? stored : LongPathName(stored));
  }
  for (const RegistryTree& tree : ReportRegistryTrees()) WriteRegistryTree(writer, registry, tree);
  writer.Bold(true);
  writer.LineBreak();
  writer.Text("&lt;eof&gt;");
  writer.EndFont();
  int errors = writer.Close();

  if (pack != 0) {
    // A report that could not be packed is not a success.
    if (PackFile(htmlPath, target) != kZipOk) ++errors;
    platform::DeleteFile(htmlPath);
  }
  return errors;
}

}  // namespace tv::tvcore
