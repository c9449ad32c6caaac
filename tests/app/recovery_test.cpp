#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/recover_selection.h"
#include "fat/fat12_parser.h"
#include "parser/break_flag.h"
#include "parser/recovery_output.h"
#include "platform/disk_full_seam.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/types.h"
#include "support/log_capture.h"
#include "support/memory_drive.h"
#include "support/temp_folder.h"
#include "workflow_fixtures.h"

namespace tv {
namespace {

using testing::Bytes;
using testing::PutData;
using testing::ReadWholeFile;
using testing::TinyVolume;

constexpr std::size_t kHelloSize = 1500;  // clusters 3, 4 and 5
constexpr std::size_t kInnerSize = 600;   // clusters 21 and 22

// Root: a deleted file, a live file, a deleted folder with a deleted file,
// and a live folder that holds only a live file.
TinyVolume SampleVolume() {
  TinyVolume volume;
  volume.RootSlot(0, testing::DirEntry("\xE5" "ELLO   TXT", 0x20, 3, kHelloSize));
  PutData(volume, 3, testing::Pattern(kHelloSize, 1));
  volume.RootSlot(1, testing::DirEntry("LIVE    TXT", 0x20, 10, 100));
  volume.SetFat(10, 0xFFF);
  PutData(volume, 10, testing::Pattern(100, 2));
  volume.RootSlot(2, testing::DirEntry("\xE5" "OLD       ", 0x10, 20, 0));
  volume.Directory(20, 0, {testing::DirEntry("\xE5" "       BIN", 0x20, 21, kInnerSize)});
  PutData(volume, 21, testing::Pattern(kInnerSize, 3));
  volume.RootSlot(3, testing::DirEntry("DOCS       ", 0x10, 40, 0));
  volume.Directory(40, 0, {testing::DirEntry("KEPT    TXT", 0x20, 30, 10)});
  volume.SetFat(40, 0xFFF);
  volume.SetFat(30, 0xFFF);
  return volume;
}

std::unique_ptr<CFAT12Parser> Scanned(const TinyVolume& volume, const std::set<std::uint64_t>& bad = {}) {
  auto parser = volume.Parser(bad);
  parser->SetScanStarted(true);
  EXPECT_EQ(parser->ScanDirectoryTree(), 0);
  MarkFoldersWithDeletedContent(parser->Root());
  return parser;
}

TreeNode* Child(TreeNode& folder, const std::string& name) {
  for (auto& child : folder.children) {
    if (child->name == name) return child.get();
  }
  ADD_FAILURE() << "no entry " << name;
  return nullptr;
}

// The base RecoverNode (the one the NTFS parser uses) over the FAT file
// interface, with reads that deliver at most `cap` bytes and one read that
// delivers nothing, as a parser does on an unreadable spot.
class FlakyReadParser : public CFAT12Parser {
 public:
  FlakyReadParser(TinyVolume& volume, std::uint32_t cap, int failingCall)
      : CFAT12Parser(std::make_unique<testing::MemoryDrive>(volume.Image()),
                     Bytes(volume.Image().begin(), volume.Image().begin() + 512)),
        m_nCap(cap),
        m_nFailingCall(failingCall) {}

  int RecoverNode(TreeNode& node, const std::string& folder, int& files, int& folders, int nesting, int renameMode,
                  const WString* wideFolder) override {
    return CFileSystemParser::RecoverNode(node, folder, files, folders, nesting, renameMode, wideFolder);
  }
  int ReadFile(DirectoryHandle file, void* buffer, std::uint32_t count, std::uint32_t& countRead) override {
    if (++m_nCalls == m_nFailingCall) {
      countRead = 0;
      return 0;
    }
    return CFAT12Parser::ReadFile(file, buffer, std::min(count, m_nCap), countRead);
  }

 private:
  std::uint32_t m_nCap;
  int m_nFailingCall;
  int m_nCalls = 0;
};

TEST(Recovery, DeletedEntriesAreWrittenWithTheirBytesAndTimes) {
  testing::TempFolder out;
  TinyVolume volume = SampleVolume();
  auto parser = Scanned(volume);
  const Bytes imageBefore = volume.Image();

  int files = 0;
  int folders = 0;
  for (auto& child : parser->Root().children) {
    EXPECT_EQ(parser->RecoverNode(*child, out.Text(), files, folders, 0, kRenameNumbered, nullptr), kRecoverDone)
        << child->name;
  }
  EXPECT_EQ(files, 2);
  EXPECT_EQ(folders, 1);
  EXPECT_EQ(ReadWholeFile(out.File("_ELLO.TXT")), testing::Pattern(kHelloSize, 1));
  EXPECT_EQ(ReadWholeFile(out.File("_OLD/_.BIN")), testing::Pattern(kInnerSize, 3));
  // Live files are not written, and a live folder without deleted content
  // is not even created.
  EXPECT_FALSE(std::filesystem::exists(out.File("LIVE.TXT")));
  EXPECT_FALSE(std::filesystem::exists(out.File("DOCS")));

  FileTime written = 0;
  ASSERT_TRUE(platform::GetFileTimes(out.File("_ELLO.TXT"), nullptr, nullptr, &written));
  const TreeNode* hello = Child(parser->Root(), "_ELLO.TXT");
  ASSERT_NE(hello, nullptr);
  ASSERT_NE(hello->modifiedTime, 0u);
  EXPECT_EQ(written / 10'000'000, hello->modifiedTime / 10'000'000);
  // Nothing was written to the scanned volume.
  const auto* drive = dynamic_cast<const testing::MemoryDrive*>(parser->Drive());
  ASSERT_NE(drive, nullptr);
  EXPECT_EQ(drive->Image(), imageBefore);
}

TEST(Recovery, AnExistingNameIsKeptAndTheNewFileNumbered) {
  testing::TempFolder out;
  auto parser = Scanned(SampleVolume());
  TreeNode* hello = Child(parser->Root(), "_ELLO.TXT");
  ASSERT_NE(hello, nullptr);
  const Bytes mine{'k', 'e', 'e', 'p'};
  {
    platform::OpenMode mode;
    mode.access = platform::Access::Write;
    mode.disposition = platform::Disposition::CreateNew;
    const platform::FileHandle file = platform::OpenFile(out.File("_ELLO.TXT"), mode);
    std::uint32_t done = 0;
    platform::WriteFile(file, mine.data(), 4, &done);
    platform::CloseFile(file);
  }
  int files = 0;
  int folders = 0;
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(parser->RecoverNode(*hello, out.Text(), files, folders, 0, kRenameNumbered, nullptr), kRecoverDone);
  }
  EXPECT_EQ(ReadWholeFile(out.File("_ELLO.TXT")), mine);
  EXPECT_EQ(ReadWholeFile(out.File("_ELLO(1).TXT")), testing::Pattern(kHelloSize, 1));
  EXPECT_EQ(ReadWholeFile(out.File("_ELLO(2).TXT")), testing::Pattern(kHelloSize, 1));
  // A folder that exists already is reused.
  TreeNode* old = Child(parser->Root(), "_OLD");
  ASSERT_NE(old, nullptr);
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(parser->RecoverNode(*old, out.Text(), files, folders, 0, kRenameNumbered, nullptr), kRecoverDone);
  }
  EXPECT_EQ(ReadWholeFile(out.File("_OLD/_(1).BIN")), testing::Pattern(kInnerSize, 3));
}

TEST(Recovery, UnreadableDataBecomesZerosAtItsOwnOffsetAndIsReported) {
  Bytes expected = testing::Pattern(kHelloSize, 1);
  struct Case {
    const char* name;
    std::size_t zeroFrom;
    std::size_t zeroTo;
  };
  // The FAT copy loop with the second cluster's sector unreadable, and the
  // base copy loop with a read that delivers nothing after the first 700 bytes.
  const Case cases[] = {{"cluster loop", 512, 1024}, {"base loop", 700, 1212}};
  for (const Case& c : cases) {
    testing::TempFolder out;
    TinyVolume volume = SampleVolume();
    std::unique_ptr<CFATParser> parser;
    if (std::string(c.name) == "cluster loop") {
      parser = Scanned(volume, {testing::TinyClusterSector(4)});
    } else {
      parser = std::make_unique<FlakyReadParser>(volume, 700, 2);
      parser->SetScanStarted(true);
      ASSERT_EQ(parser->ScanDirectoryTree(), 0);
    }
    TreeNode* hello = Child(parser->Root(), "_ELLO.TXT");
    ASSERT_NE(hello, nullptr);
    RecoveryReport report;
    parser->SetRecoveryReport(&report);
    int files = 0;
    int folders = 0;
    EXPECT_EQ(parser->RecoverNode(*hello, out.Text(), files, folders, 0, kRenameNumbered, nullptr), kRecoverDone);
    Bytes want = expected;
    std::fill(want.begin() + static_cast<std::ptrdiff_t>(c.zeroFrom),
              want.begin() + static_cast<std::ptrdiff_t>(c.zeroTo), 0);
    // The zeros stay at their offsets, and the file is named with the range.
    EXPECT_EQ(ReadWholeFile(out.File("_ELLO.TXT")), want) << c.name;
    ASSERT_EQ(report.Count(), 1u) << c.name;
    const RecoveryProblem& problem = report.Problems().front();
    EXPECT_EQ(problem.kind, RecoveryProblemKind::Unreadable) << c.name;
    EXPECT_EQ(problem.entry, "\\_ELLO.TXT") << c.name;
    ASSERT_EQ(problem.unreadable.Ranges().size(), 1u) << c.name;
    EXPECT_EQ(problem.unreadable.Ranges()[0].offset, c.zeroFrom) << c.name;
    EXPECT_EQ(problem.unreadable.Ranges()[0].End(), c.zeroTo) << c.name;
  }
}

TEST(Recovery, AFullDiskNamesEveryIncompleteFileAndLeavesNoneUnderItsName) {
  struct Case {
    const char* entry;
    std::uint64_t capacity;
    int result;
    std::string message;
    const char* partialName;  // null: nothing kept
    std::size_t keptBytes;
  };
  const Case cases[] = {
      {"_ELLO.TXT", 1000, kRecoverDiskFull,
       "Not enough disk space\n\\_ELLO.TXT: not enough disk space; 1000 of 1500 bytes kept in PARTIAL",
       "_ELLO.TXT.partial", 1000},
      // Inside a folder the folder result stays "done": the message still
      // names the file that did not fit, and the empty file is removed.
      {"_OLD", 0, kRecoverDone,
       "Folder '_OLD' was recovered incompletely: 0 files, 1 subfolders; these entries are not complete:\n"
       "\\_OLD\\_.BIN: not enough disk space; nothing kept",
       nullptr, 0},
  };
  for (const Case& c : cases) {
    testing::TempFolder out;
    testing::LogCapture log;
    auto parser = Scanned(SampleVolume());
    testing::RecordingHost host;
    RecoveryRequest request;
    request.selection = {Child(parser->Root(), c.entry)};
    request.destination = out.Text();
    request.volume = "sample.img";
    platform::SimulateFullDisk(out.Text(), c.capacity);
    const RecoveryOutcome outcome = RecoverSelection(*parser, request, host);
    platform::StopSimulatingFullDisk();
    EXPECT_EQ(outcome.results, std::vector<int>{c.result}) << c.entry;
    EXPECT_EQ(outcome.report.Count(), 1u) << c.entry;
    std::string message = c.message;
    const std::size_t at = message.find("PARTIAL");
    if (at != std::string::npos) message.replace(at, 7, out.File(c.partialName));
    ASSERT_EQ(host.messages.size(), 1u) << c.entry;
    EXPECT_EQ(host.messages[0], message) << c.entry;
    // No file is left under the entry's own name, and what was kept is
    // not dressed up with the original's times.
    std::size_t regularFiles = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(out.Path())) {
      if (!entry.is_regular_file()) continue;
      ++regularFiles;
      EXPECT_NE(entry.path().extension(), ".TXT") << entry.path();
      EXPECT_NE(entry.path().extension(), ".BIN") << entry.path();
    }
    EXPECT_EQ(regularFiles, c.partialName != nullptr ? 1u : 0u) << c.entry;
    if (c.partialName != nullptr) {
      const std::string partial = out.File(c.partialName);
      const Bytes whole = testing::Pattern(kHelloSize, 1);
      EXPECT_EQ(ReadWholeFile(partial), Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(c.keptBytes)));
      FileTime written = 0;
      ASSERT_TRUE(platform::GetFileTimes(partial, nullptr, nullptr, &written));
      EXPECT_NE(written / 10'000'000, Child(parser->Root(), c.entry)->modifiedTime / 10'000'000);
    }
  }
}

TEST(Recovery, EntriesThatCannotBeWrittenAreNamedWithTheReason) {
  testing::TempFolder out;
  // A plain file where the destination folder of a folder entry would go,
  // and an entry whose name would leave the destination.
  { std::ofstream(out.Path() / "_OLD") << "in the way"; }
  auto parser = Scanned(SampleVolume());
  Child(parser->Root(), "_ELLO.TXT")->name = "../_ELLO.TXT";
  testing::RecordingHost host;
  RecoveryRequest request;
  request.selection = {Child(parser->Root(), "_OLD"), Child(parser->Root(), "../_ELLO.TXT")};
  request.destination = out.Text();
  request.volume = "sample.img";
  const RecoveryOutcome outcome = RecoverSelection(*parser, request, host);
  EXPECT_EQ(outcome.results, (std::vector<int>{kRecoverFolderFailed, kRecoverNothingDone}));
  ASSERT_EQ(host.messages.size(), 2u);
  EXPECT_EQ(host.messages[0], "Can`t create directory\n\\_OLD: cannot create the folder " + out.File("_OLD") +
                                  " (" + platform::ErrorText(err::kAlreadyExists) + ")");
  EXPECT_EQ(host.messages[1], "'../_ELLO.TXT' could not be recovered:\n\\../_ELLO.TXT: its name cannot be used as a "
                              "file name; nothing written");
  EXPECT_FALSE(std::filesystem::exists(out.Path().parent_path() / "_ELLO.TXT"));
}

TEST(Recovery, LiveEntriesAndStopsWriteNothing) {
  testing::TempFolder out;
  auto parser = Scanned(SampleVolume());
  int files = 0;
  int folders = 0;
  TreeNode* live = Child(parser->Root(), "LIVE.TXT");
  ASSERT_NE(live, nullptr);
  EXPECT_EQ(parser->RecoverNode(*live, out.Text(), files, folders, 0, kRenameNumbered, nullptr), kRecoverDone);
  BreakFlag() = 1;
  EXPECT_EQ(parser->RecoverNode(*Child(parser->Root(), "_ELLO.TXT"), out.Text(), files, folders, 0,
                                kRenameNumbered, nullptr),
            kRecoverStopped);
  BreakFlag() = 0;
  EXPECT_EQ(files, 0);
  EXPECT_TRUE(std::filesystem::is_empty(out.Path()));
}

TEST(Recovery, OverwriteAnswersDecideEachEntry) {
  struct Case {
    const char* name;
    std::vector<OverwriteAnswer> answers;
    std::vector<int> results;
    std::size_t questions;
    bool stopped;
    std::vector<std::string> written;  // beside the two existing files
  };
  const Case cases[] = {
      {"yes", {OverwriteAnswer::Yes, OverwriteAnswer::Yes}, {1, 1}, 2, false, {"_ELLO(1).TXT", "_OLD/_.BIN"}},
      {"no", {OverwriteAnswer::No, OverwriteAnswer::No}, {}, 2, false, {}},
      {"all", {OverwriteAnswer::All}, {1, 1}, 1, false, {"_ELLO(1).TXT", "_OLD/_.BIN"}},
      {"cancel", {OverwriteAnswer::Cancel}, {}, 1, true, {}},
  };
  for (const Case& c : cases) {
    testing::TempFolder out;
    std::filesystem::create_directory(out.Path() / "_OLD");
    { std::ofstream(out.Path() / "_ELLO.TXT") << "mine"; }
    auto parser = Scanned(SampleVolume());
    testing::RecordingHost host;
    host.answers.assign(c.answers.begin(), c.answers.end());
    RecoveryRequest request;
    request.selection = {Child(parser->Root(), "_ELLO.TXT"), Child(parser->Root(), "_OLD")};
    request.destination = out.Text();
    request.volume = "sample.img";
    const RecoveryOutcome outcome = RecoverSelection(*parser, request, host);
    EXPECT_EQ(outcome.results, c.results) << c.name;
    EXPECT_EQ(host.questions.size(), c.questions) << c.name;
    EXPECT_EQ(outcome.stopped, c.stopped) << c.name;
    EXPECT_FALSE(BreakRequested()) << c.name;
    for (const std::string& name : c.written) EXPECT_TRUE(std::filesystem::exists(out.File(name))) << c.name;
    std::size_t count = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(out.Path())) count += entry.is_regular_file();
    EXPECT_EQ(count, 1 + c.written.size()) << c.name;
  }
}

TEST(Recovery, MessagesForEachResult) {
  struct Case {
    int result;
    int files;
    int folders;
    const char* text;
  };
  const Case cases[] = {
      {kRecoverDone, 0, 0, "File 'a.txt' was successfully recovered."},
      {kRecoverDone, 3, 2, "Folder 'a.txt' was successfully recovered: 3 files, 2 subfolders"},
      {kRecoverFolderFailed, 0, 0, "Can`t create directory"},
      {kRecoverNotFound, 0, 0, "Can`t find file"},
      {kRecoverDiskFull, 0, 0, "Not enough disk space"},
      {kRecoverNothingDone, 0, 0, nullptr},
      {kRecoverPathMissing, 0, 0, nullptr},
      {kRecoverStopped, 0, 0, nullptr},
  };
  for (const Case& c : cases) {
    MessageKind kind{};
    std::string text;
    const bool shown = RecoveryMessage(c.result, "a.txt", c.files, c.folders, {}, 20, kind, text);
    EXPECT_EQ(shown, c.text != nullptr) << c.result;
    if (c.text != nullptr) {
      EXPECT_EQ(text, c.text);
    }
  }
}

TEST(Recovery, DestinationOnTheScannedDriveIsRefused) {
  struct Case {
    const char* destination;
    const char* volume;
    bool refused;
  };
  const Case cases[] = {
      {"D:\\out", "D:", true}, {"d:\\", "D:", true}, {"E:\\out", "D:", false}, {"/tmp/out", "image.img", false},
  };
  for (const Case& c : cases) EXPECT_EQ(DestinationOnScannedVolume(c.destination, c.volume), c.refused) << c.destination;

  auto parser = Scanned(SampleVolume());
  testing::RecordingHost host;
  RecoveryRequest request;
  request.selection = {Child(parser->Root(), "_ELLO.TXT")};
  request.destination = "D:\\out";
  request.volume = "D:";
  const RecoveryOutcome outcome = RecoverSelection(*parser, request, host);
  EXPECT_TRUE(outcome.refused);
  EXPECT_TRUE(outcome.results.empty());
  EXPECT_EQ(host.messages, std::vector<std::string>{
                               "Cannot Undelete to Drive D: | Select destination folder on a different drive. "
                               "Saving to drive D:\nmay harm the file(s) you want to undelete."});
}

}  // namespace
}  // namespace tv
