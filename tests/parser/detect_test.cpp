#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "parser/file_system_parser.h"
#include "support/log_capture.h"

namespace tv {
namespace {

struct Field {
  std::size_t offset;
  const char* text;  // eight bytes
};

struct DetectCase {
  const char* name;
  std::vector<Field> fields;
  std::uint8_t expected;
  std::size_t sectorSize = kBootSectorSize;
};

std::vector<std::uint8_t> MakeSector(const DetectCase& c) {
  std::vector<std::uint8_t> sector(c.sectorSize, 0);
  for (const Field& field : c.fields) {
    for (std::size_t i = 0; i < 8 && field.offset + i < sector.size(); ++i) {
      sector[field.offset + i] = static_cast<std::uint8_t>(field.text[i]);
    }
  }
  return sector;
}

TEST(DetectFileSystem, FollowsTheOrderOfTheTests) {
  const DetectCase cases[] = {
      {"NTFS by its OEM field alone", {{3, "NTFS    "}}, kFsNtfs},
      {"NTFS before any FAT text", {{3, "NTFS    "}, {54, "FAT12   "}, {82, "FAT32   "}}, kFsNtfs},
      {"FAT12 text", {{54, "FAT12   "}}, kFsFat12},
      {"bare FAT text is FAT12", {{54, "FAT     "}}, kFsFat12},
      {"FAT16 text", {{54, "FAT16   "}}, kFsFat16},
      {"FAT32 text at 82", {{82, "FAT32   "}}, kFsFat32},
      {"FAT32 sector reading FAT16 at 54 is FAT16", {{54, "FAT16   "}, {82, "FAT32   "}}, kFsFat16},
      {"FAT32 text at 54 is nothing", {{54, "FAT32   "}}, kFsUnknown},
      {"FAT16 text at 82 is nothing", {{82, "FAT16   "}}, kFsUnknown},
      {"lower-case OEM field", {{3, "ntfs    "}}, kFsUnknown},
      {"OEM field padded with zeros", {{3, "NTFS\0\0\0\0"}}, kFsUnknown},
      {"FAT text without its blanks", {{54, "FAT\0\0\0\0\0"}}, kFsUnknown},
      {"empty sector", {}, kFsUnknown},
      {"sector ending inside the FAT16 field", {{54, "FAT16   "}}, kFsUnknown, 61},
      {"sector ending inside the FAT32 field", {{82, "FAT32   "}}, kFsUnknown, 89},
      {"sector just long enough for FAT32", {{82, "FAT32   "}}, kFsFat32, 90},
  };
  for (const DetectCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(DetectFileSystem(MakeSector(c)), c.expected);
  }
}

TEST(DetectFileSystem, NamesAndLogLinesOfEachType) {
  struct NameCase {
    std::uint8_t type;
    const char* name;
  };
  const NameCase cases[] = {
      {kFsFat12, "FAT12"}, {kFsFat16, "FAT16"}, {kFsNtfs, "NTFS"}, {kFsFat32, "FAT32"}};
  testing::LogCapture log;
  for (const NameCase& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_NE(FileSystemName(c.type), nullptr);
    EXPECT_STREQ(FileSystemName(c.type), c.name);
    log.Clear();
    LogDetectedFileSystem(c.type);
    EXPECT_EQ(log.Lines(), std::vector<std::string>{std::string("Drive FS is ") + c.name});
  }
  EXPECT_EQ(FileSystemName(kFsUnknown), nullptr);
  EXPECT_EQ(FileSystemName(12), nullptr);
  log.Clear();
  LogDetectedFileSystem(kFsUnknown);
  EXPECT_TRUE(log.Lines().empty());
}

}  // namespace
}  // namespace tv
