#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "in_memory_parser.h"
#include "platform/errors.h"
#include "support/log_capture.h"
#include "support/memory_drive.h"

namespace tv {
namespace {

using testing::InMemoryParser;
using testing::MemoryEntry;
using testing::MemoryRecord;

std::unique_ptr<InMemoryParser> MakeParser(std::map<int, std::vector<MemoryEntry>> directories) {
  auto drive = std::make_unique<testing::MemoryDrive>(std::vector<std::uint8_t>(4096, 0));
  auto parser = std::make_unique<InMemoryParser>(std::move(drive), std::span<const std::uint8_t>{},
                                                 std::move(directories));
  EXPECT_EQ(parser->OpenVolume(), 0);
  return parser;
}

MemoryEntry FileEntry(std::string longName, std::string shortName) {
  MemoryEntry entry;
  entry.longName = std::move(longName);
  entry.shortName = std::move(shortName);
  return entry;
}

MemoryEntry DirEntry(std::string longName, std::string shortName, int directoryId) {
  MemoryEntry entry = FileEntry(std::move(longName), std::move(shortName));
  entry.isDirectory = true;
  entry.directoryId = directoryId;
  return entry;
}

std::string OpenedName(InMemoryParser& parser, DirectoryHandle handle) {
  auto* record = dynamic_cast<MemoryRecord*>(parser.GetDirectoryRecord(handle));
  return record ? record->openedName : "(none)";
}

TEST(FindFile, LooksUpByLongThenShortNameUpperCased) {
  MemoryEntry ghost = FileEntry("", "GHOST.TXT");
  ghost.longNameFails = true;
  MemoryEntry noShort = FileEntry("Alpha.txt", "");
  noShort.shortNameFails = true;
  MemoryEntry unopenable = FileEntry("Locked.bin", "LOCKED.BIN");
  unopenable.openFails = true;
  auto parser = MakeParser({
      {0,
       {FileEntry("Report.doc", "REPORT.DOC"), DirEntry("My Folder", "MYFOLD~1", 1),
        FileEntry("LongFileName.txt", "LONGFI~1.TXT"), DirEntry("same", "SAME", 1),
        FileEntry("same", "SAME"), ghost, noShort, unopenable, FileEntry("\xC3\x84rger.txt", "RGER~1.TXT")}},
      {1, {}},
  });
  const DirectoryHandle root = parser->RootDirectory();

  struct LookupCase {
    const char* name;
    bool wantDirectory;
    const char* opened;  // long name of the entry opened; null = not found
  };
  const LookupCase cases[] = {
      {"report.doc", false, "Report.doc"},
      {"REPORT.DOC", false, "Report.doc"},
      {"longfi~1.txt", false, "LongFileName.txt"},  // only the short name matches
      {"my folder", true, "My Folder"},
      {"myfold~1", true, "My Folder"},
      {"my folder", false, nullptr},  // a directory is never returned for a file lookup
      {"report.doc", true, nullptr},  // nor a file for a directory lookup
      {"same", true, "same"},  // a folder and a file of one name: the kind decides
      {"same", false, "same"},
      {"ghost.txt", false, nullptr},  // an entry whose long name fails is skipped
      {"alpha.txt", false, "Alpha.txt"},
      {"report", false, nullptr},  // exact, no prefix or wildcard match
      {"*.doc", false, nullptr},
      {"\xC3\xA4RGER.TXT", false, "\xC3\x84rger.txt"},  // non-ASCII letters are upper-cased too
      {"locked.bin", false, nullptr},
      {"missing", false, nullptr},
  };
  for (const LookupCase& c : cases) {
    SCOPED_TRACE(std::string(c.name) + (c.wantDirectory ? " (directory)" : " (file)"));
    platform::SetLastError(0);
    const DirectoryHandle handle = parser->FindFile(root, c.name, c.wantDirectory);
    if (c.opened == nullptr) {
      EXPECT_EQ(handle, -1);
      EXPECT_EQ(platform::GetLastError(), err::kFileNotFound);
      continue;
    }
    ASSERT_GE(handle, 0);
    EXPECT_EQ(OpenedName(*parser, handle), c.opened);
    EXPECT_EQ(parser->GetDirectoryRecord(handle)->isDirectory, c.wantDirectory);
    parser->CloseObject(handle);
  }
}

TEST(FindFile, RefusesBadHandlesAndEmptyNames) {
  auto parser = MakeParser({{0, {FileEntry("a.txt", "A.TXT")}}});
  struct ErrorCase {
    const char* what;
    DirectoryHandle directory;
    const char* name;
    std::uint32_t error;
  };
  const ErrorCase cases[] = {
      {"handle past the table", 99, "a.txt", err::kInvalidHandle},
      {"negative handle", -1, "a.txt", err::kInvalidHandle},
      {"empty name", parser->RootDirectory(), "", err::kInvalidParameter},
  };
  for (const ErrorCase& c : cases) {
    SCOPED_TRACE(c.what);
    platform::SetLastError(0);
    EXPECT_EQ(parser->FindFile(c.directory, c.name, false), -1);
    EXPECT_EQ(platform::GetLastError(), c.error);
  }
}

TEST(FindFile, EndsWhenTheParserDoesNotMoveOn) {
  auto parser = MakeParser({{0, {FileEntry("a.txt", "A.TXT"), FileEntry("b.txt", "B.TXT")}}});
  parser->SetStuckEnumeration(true);
  EXPECT_EQ(parser->FindFile(parser->RootDirectory(), "b.txt", false), -1);
  EXPECT_EQ(platform::GetLastError(), err::kFileNotFound);
}

TEST(OpenDirectoryByRef, LoadsTheDirectoryOrClosesTheHandle) {
  struct OpenCase {
    const char* what;
    bool openFails;
    int readResult;
    bool opened;
  };
  const OpenCase cases[] = {
      {"directory read", false, 0, true},
      {"entry cannot be opened", true, 0, false},
      {"directory data unreadable", false, -1, false},
      {"directory data unreadable with result 3", false, 3, false},
  };
  for (const OpenCase& c : cases) {
    SCOPED_TRACE(c.what);
    MemoryEntry entry = DirEntry("Sub", "SUB", 1);
    entry.openFails = c.openFails;
    entry.readDirectoryResult = c.readResult;
    auto parser = MakeParser({{0, {entry}}, {1, {FileEntry("inner.txt", "INNER.TXT")}}});
    testing::LogCapture log;
    FindRecord find;
    ASSERT_TRUE(parser->MoveFirstFile(parser->RootDirectory(), find, 0));

    const DirectoryHandle handle = parser->OpenDirectoryByRef(find);
    const auto lines = log.Lines();
    const bool allocatedLine = std::count(lines.begin(), lines.end(),
                                          "OpenDirectoryByRef - Memory for directory was allocated") == 1;
    const bool readLine =
        std::count(lines.begin(), lines.end(),
                   "OpenDirectoryByRef - Directory content was successfully readed") == 1;
    EXPECT_EQ(allocatedLine, !c.openFails);
    EXPECT_EQ(readLine, c.opened);
    if (!c.opened) {
      EXPECT_EQ(handle, -1);
      // Nothing is left open behind a handle that was never handed out.
      EXPECT_EQ(parser->GetDirectoryRecord(1), nullptr);
      EXPECT_EQ(parser->Closes(), c.openFails ? 0 : 1);
      continue;
    }
    ASSERT_EQ(handle, 1);
    auto* record = parser->GetDirectoryRecord(handle);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->useCount, 2u);  // one from the open, one from this call
    EXPECT_GE(parser->FindFile(handle, "inner.txt", false), 0);
  }
}

TEST(InsertDirectoryRecord, ReusesTheFirstFreeSlot) {
  auto parser = MakeParser({{0, {}}});
  ASSERT_EQ(parser->RootDirectory(), 0);
  EXPECT_EQ(parser->InsertDirectoryRecord(std::make_unique<MemoryRecord>()), 1);
  EXPECT_EQ(parser->InsertDirectoryRecord(std::make_unique<MemoryRecord>()), 2);
  EXPECT_EQ(parser->InsertDirectoryRecord(std::make_unique<MemoryRecord>()), 3);

  parser->CloseObject(1);
  EXPECT_EQ(parser->GetDirectoryRecord(1), nullptr);
  EXPECT_EQ(parser->InsertDirectoryRecord(std::make_unique<MemoryRecord>()), 1);
  EXPECT_EQ(parser->InsertDirectoryRecord(std::make_unique<MemoryRecord>()), 4);

  // A null record is not stored and gets no handle, not even a used one.
  EXPECT_EQ(parser->InsertDirectoryRecord(nullptr), -1);
  EXPECT_EQ(parser->InsertDirectoryRecord(std::make_unique<MemoryRecord>()), 5);
  EXPECT_EQ(parser->GetDirectoryRecord(-1), nullptr);
  EXPECT_EQ(parser->GetDirectoryRecord(6), nullptr);
}

}  // namespace
}  // namespace tv
