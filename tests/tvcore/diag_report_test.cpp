#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/folders.h"
#include "support/temp_folder.h"
#include "tvcore/diag_registry.h"
#include "tvcore/diag_report.h"
#include "tvcore/diag_sections.h"
#include "tvcore/html_writer.h"
#include "tvcore/library.h"
#include "tvcore/registry_standin.h"
#include "zip_test_support.h"

namespace tv::tvcore {
namespace {

using tv::testing::ReadText;
using tv::testing::TempFolder;

constexpr const char* kClose = "</BODY>\r\n</HTML>\r\n";

// Runs `write` on a fresh writer and answers what it wrote before Close.
std::string Written(const std::function<void(HtmlWriter&)>& write) {
  TempFolder folder;
  const std::string path = folder.File("w.htm");
  HtmlWriter writer;
  EXPECT_TRUE(writer.Create(path));
  write(writer);
  EXPECT_EQ(writer.Close(), 0);
  const std::string text = ReadText(path);
  EXPECT_GE(text.size(), std::string(kClose).size());
  return text.substr(0, text.size() - std::string(kClose).size());
}

TEST(HtmlWriter, OperationsAsTable) {
  struct Case {
    const char* name;
    std::function<void(HtmlWriter&)> write;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"text", [](HtmlWriter& w) { w.Text("a<b"); }, "a<b"},
      {"text in a tag", [](HtmlWriter& w) { w.Text("x", "p"); }, "<p>x</p>"},
      {"bold", [](HtmlWriter& w) { w.Bold(true), w.Bold(false); }, "<b></b>"},
      {"line break", [](HtmlWriter& w) { w.LineBreak(); }, "<br>"},
      {"anchor", [](HtmlWriter& w) { w.Anchor("2"), w.EndAnchor(); }, "<a name=\"2\"></a>"},
      {"link", [](HtmlWriter& w) { w.Link("Environment", "#1"); }, "<a href=\"#1\">Environment</a>"},
      {"table", [](HtmlWriter& w) { w.Table(true, 1), w.Table(false); }, "\n<table border=1>\n\n</table>\n"},
      {"row", [](HtmlWriter& w) { w.Row(true), w.Row(false); }, "<tr>\n</tr>\n"},
      {"cell without a font", [](HtmlWriter& w) { w.Cell("c"); }, "<td>c</td>\r\n"},
      {"aligned cell", [](HtmlWriter& w) { w.Cell("7", "right"); }, "<td align=right>7</td>\r\n"},
      {"cell inside a font repeats the size",
       [](HtmlWriter& w) { w.Font("Courier New", 2), w.Cell("c"), w.EndFont(), w.Cell("d"); },
       "<font face=\"Courier New\" size=\"2\"><td><font size=\"2\">c</font></td>\r\n</font><td>d</td>\r\n"},
      {"page head", [](HtmlWriter& w) { w.PageHead("Talvenor diagnostics"); },
       "<HTML>\r\n<HEAD>\r\n<TITLE>Talvenor diagnostics</TITLE>\r\n</HEAD><BODY >\r\n"},
      {"page head with a background", [](HtmlWriter& w) { w.PageHead("T", "bg.gif"); },
       "<HTML>\r\n<HEAD>\r\n<TITLE>T</TITLE>\r\n</HEAD><BODY background=\"bg.gif\">\r\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Written(c.write), c.expected) << c.name;
  }
}

TEST(HtmlWriter, CountsWritesThatFail) {
  TempFolder folder;
  HtmlWriter writer;
  EXPECT_FALSE(writer.Create(folder.File("no/such/folder/r.htm")));
  EXPECT_EQ(writer.errors(), 1);
  const std::string existing = folder.Write("r.htm", "keep");
  HtmlWriter second;
  EXPECT_FALSE(second.Create(existing));
  EXPECT_EQ(ReadText(existing), "keep");
}

TEST(DiagReport, HtmlPathAsTable) {
  struct Case {
    std::string archive;
    std::string html;
  };
  const std::vector<Case> cases = {
      {"C:\\Users\\me\\tvdiag.zip", "C:\\Users\\me\\tvdiag.htm"},
      {"C:\\Users\\me\\tvdiag", "C:\\Users\\me\\tvdiag.htm"},
      {"/home/me/data.v2/tvdiag", "/home/me/data.v2/tvdiag.htm"},
      {"/home/me/a.b.zip", "/home/me/a.b.htm"},
      {"report.HTM", "report.HTM.htm"},
      {"report.", "report.htm"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HtmlPathFor(c.archive), c.html) << c.archive;
  }
  EXPECT_EQ(NumberedHtmlPath("/tmp/x.y/report.htm", 2), "/tmp/x.y/report-2.htm");
}

TEST(DiagReport, MachineSectionsKeepTheirShape) {
  const std::string environment = Written([](HtmlWriter& w) {
    WriteEnvironment(w, {"=C:=C:\\work", "PATH=/bin:/usr/bin", "NOVALUE", "A=b=c", "X=<y>"});
  });
  EXPECT_NE(environment.find("<td>=C:</td>\r\n<td>C:\\work</td>"), std::string::npos);
  EXPECT_NE(environment.find("<tr>\n<td>PATH</td>\r\n<td>/bin:/usr/bin</td>\r\n</tr>\n"), std::string::npos);
  EXPECT_NE(environment.find("<tr>\n</tr>\n"), std::string::npos);
  EXPECT_NE(environment.find("<td>A</td>\r\n<td>b=c</td>"), std::string::npos);
  EXPECT_NE(environment.find("<td>&lt;y&gt;</td>"), std::string::npos);

  const std::string processes = Written([](HtmlWriter& w) { WriteProcesses(w, {{4, "init"}, {77, ""}}); });
  EXPECT_EQ(processes.rfind("<br><b><a name=\"10\">Applications Running</a></b><br>", 0), 0u);
  EXPECT_NE(processes.find("<td>PID</td>\r\n<td>Image name</td>"), std::string::npos);
  EXPECT_NE(processes.find("<td align=right>4</td>\r\n<td>init</td>"), std::string::npos);
  EXPECT_NE(processes.find("<td align=right>77</td>\r\n<td>&nbsp;</td>"), std::string::npos);

  SystemSummary summary;
  summary.osLine = "NT 6.01.7601 Service Pack 1\n";
  summary.memory.totalPhysical = 3u * 1048576 + 1048575;
  summary.memory.totalVirtual = 8796093022208;  // 8 TiB: more than 32 bits of mebibytes would hold
  const std::string system = Written([&](HtmlWriter& w) { WriteOperatingSystem(w, summary); });
  EXPECT_EQ(system.rfind("<b><a name=\"2\">Operting System And Miscellaneous</a></b><br>NT 6.01.7601 Service Pack 1\n", 0),
            0u);
  EXPECT_NE(system.find("<td>Total size of physical memory</td>\r\n<td>3 Mb</td>"), std::string::npos);
  EXPECT_NE(system.find("<td>Total size virtual address space</td>\r\n<td>8388608 Mb\n</td>"), std::string::npos);
}

TEST(DiagReport, FileRowsAsTable) {
  EXPECT_EQ(AttributeLetters(0), ".......");
  EXPECT_EQ(AttributeLetters(0xFFFFFFFF), "ACEHORS");
  EXPECT_EQ(AttributeLetters(kAttributeArchive | kAttributeReadOnly), "A....R.");

  FolderEntry big;
  big.name = "big.bin";
  big.size = 5000000000;  // beyond 32 bits: shown whole
  big.lastWrite = 133549839310000000;  // 2024-03-15 13:45:31 UTC
  big.attributes = kAttributeArchive;
  big.shortName = "BIG~1.BIN";
  FolderEntry folder;
  folder.name = "Sub Folder";
  folder.isFolder = true;
  const std::string rows = Written([&](HtmlWriter& w) {
    WriteFileRow(w, "/opt/v", big);
    WriteFileRow(w, "/opt/v", folder);
  });
  const std::string sep(1, platform::kPathSeparator);
  EXPECT_EQ(rows, "<tr>\n<td>/opt/v" + sep + "big.bin</td>\r\n<td align=right>5000000000</td>\r\n"
                  "<td>15.03.2024 13:45:31</td>\r\n<td>A......</td>\r\n<td>BIG~1.BIN</td>\r\n</tr>\n"
                  "<tr>\n<td>/opt/v" + sep + "Sub Folder</td>\r\n<td align=right>&lt;DIRECTORY&gt;</td>\r\n"
                  "<td>01.01.1601 00:00:00</td>\r\n<td>.......</td>\r\n<td>Sub Folder</td>\r\n</tr>\n");
}

TEST(DiagReport, RegistryDumpOfTheStandIn) {
  TempFolder folder;
  folder.Write("Morvanix/Dornvale.ini", "Language=3\nEmpty=\n[Options]\nSavePath=1\n[Product]\n");
  StandInRegistry registry(folder.File("Morvanix"));
  const std::string dump = Written([&](HtmlWriter& w) {
    DumpRegistryKey(w, registry, RegistryRoot::CurrentUser, "Software\\Morvanix");
    DumpRegistryKey(w, registry, RegistryRoot::LocalMachine, "Software\\Microsoft\\Office");
  });
  EXPECT_EQ(dump,
            "<br>[HKEY_CURRENT_USER\\Software\\Morvanix]"
            "<br>[HKEY_CURRENT_USER\\Software\\Morvanix\\Dornvale]<br>\"Language\"=\"3\"<br>"
            "<br>[HKEY_CURRENT_USER\\Software\\Morvanix\\Dornvale\\Options]<br>\"SavePath\"=\"1\"<br>"
            "<br>[HKEY_CURRENT_USER\\Software\\Morvanix\\Dornvale\\Product]"
            "<br>[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Office]");
}

// The whole report through the library, with a product installed in a
// folder of files: the archive holds the report with every section in order.
class DiagnosticsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    program_ = folder_.MakeFolder("Program Files/Vantrel");
    folder_.Write("Program Files/Vantrel/Vantrel.exe", "MZ");
    folder_.Write("Program Files/Vantrel/help/vtl.chm", "ITSF");
    folder_.Write("Program Files/Vantrel/.hidden", "x");
    folder_.Write("Morvanix/Dornvale.ini", "[Product]\nProgramDir=" + program_ + "\nBuild=77\n"
                                           "[Registration]\nProgramTitle=xxxxxxF1C6C9D3D5C2CB\n");
    folder_.Write("Morvanix/Toolbox.ini", "[Toolbox]\nPrompt=1\n");
    folder_.Write("Morvanix/Kelvaro.ini", "ProgramDir=\n");
    library_.Initialize(268);
  }

  TempFolder folder_;
  std::string program_;
  StandInRegistry registry_{folder_.File("Morvanix")};
  CompiledStrings strings_;
  std::vector<Notice> notices_;
  Library library_{LibraryEnvironment{folder_.File("bin/vtl"), folder_.File("appdata"), &registry_, &strings_,
                                      [](const std::string&) { return std::nullopt; },
                                      [this](const Notice& n) { notices_.push_back(n); }}};
};

TEST_F(DiagnosticsTest, ArchiveHoldsEverySectionInOrder) {
  // A file of the report's first-choice name is the user's: it stays.
  const std::string userFile = folder_.Write("out/tvdiag.htm", "mine");
  const std::string archive = folder_.File("out/tvdiag.zip");
  ASSERT_EQ(RunDiagnostics(library_, archive.c_str(), 1, nullptr, "GUI", 0), 0);
  EXPECT_EQ(ReadText(userFile), "mine");
  EXPECT_FALSE(platform::PathExists(folder_.File("out/tvdiag-1.htm")));
  EXPECT_TRUE(notices_.empty());

  const testing::UnpackedZip entry = testing::Unpack(ReadText(archive));
  ASSERT_EQ(entry.problem, "");
  EXPECT_EQ(entry.name, "tvdiag-1.htm");
  const std::string& html = entry.data;

  EXPECT_EQ(html.rfind("<HTML>\r\n<HEAD>\r\n<TITLE>Talvenor diagnostics</TITLE>", 0), 0u);
  EXPECT_NE(html.find("\n from Vantrel GUI build 000077<br>File: " + archive + "\r\n</b>"), std::string::npos);
  EXPECT_NE(html.find("<a href=\"#Dornvale\">Dornvale</a><br><a href=\"#Kelvaro\">Kelvaro</a><br></blockquote>"),
            std::string::npos);
  EXPECT_EQ(html.find("#Toolbox"), std::string::npos);

  std::size_t last = 0;
  for (const char* anchor : {"2", "1", "10", "Dornvale", "Kelvaro", "5", "3", "4", "6", "7", "8", "9"}) {
    const std::size_t at = html.find("<a name=\"" + std::string(anchor) + "\">");
    ASSERT_NE(at, std::string::npos) << anchor;
    EXPECT_GT(at, last) << anchor;
    last = at;
  }
  EXPECT_NE(html.find("<b><a name=\"Dornvale\">Dornvale - " + program_ + " - " + program_), std::string::npos);
  const std::size_t exe = html.find(platform::JoinPath(program_, "Vantrel.exe") + "</font></td>");
  const std::size_t help = html.find(platform::JoinPath(program_, "help") + "</font></td>");
  const std::size_t chm = html.find(platform::JoinPath(platform::JoinPath(program_, "help"), "vtl.chm"));
  EXPECT_NE(exe, std::string::npos);
  EXPECT_NE(help, std::string::npos);
  EXPECT_GT(chm, help);
  EXPECT_EQ(html.find(".hidden"), std::string::npos);
  EXPECT_NE(html.find("No program folder is recorded for this product."), std::string::npos);
  EXPECT_NE(html.find("<br>[HKEY_CURRENT_USER\\Software\\Morvanix\\Dornvale\\Product]<br>\"ProgramDir\"=\""),
            std::string::npos);

  const std::string tail = "<b><br>&lt;eof&gt;</font></BODY>\r\n</HTML>\r\n";
  ASSERT_GE(html.size(), tail.size());
  EXPECT_EQ(html.substr(html.size() - tail.size()), tail);
}

TEST_F(DiagnosticsTest, UnwritableReportIsAFailure) {
  const std::string archive = folder_.File("no/such/folder/tvdiag.zip");
  EXPECT_EQ(RunDiagnostics(library_, archive.c_str(), 1, "Talvenor Diagnostics", "GUI", 0), -1);
  ASSERT_EQ(notices_.size(), 1u);
  EXPECT_EQ(notices_[0].text, "Could not write selected file!");
  EXPECT_EQ(notices_[0].caption, "Talvenor Diagnostics");
  EXPECT_EQ(notices_[0].icon, NoticeIcon::Stop);
}

TEST_F(DiagnosticsTest, UnpackedReportIsWrittenWhereAsked) {
  const std::string report = folder_.Write("report.htm", "old report");
  EXPECT_EQ(RunDiagnostics(library_, report.c_str(), 0, "Caption", "CLI", 5), 0);
  const std::string html = ReadText(report);
  EXPECT_NE(html.find(" from Caption CLI build 000005<br>"), std::string::npos);
  EXPECT_FALSE(platform::PathExists(folder_.File("report.zip")));
}

}  // namespace
}  // namespace tv::tvcore
