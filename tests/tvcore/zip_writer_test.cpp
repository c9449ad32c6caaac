#include <gtest/gtest.h>
#include <zlib.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "support/temp_folder.h"
#include "tvcore/zip_writer.h"
#include "zip_test_support.h"

namespace tv::tvcore {
namespace {

using tv::testing::ReadText;
using tv::testing::TempFolder;
using testing::Unpack;

std::uint32_t Crc(const std::string& data) {
  return static_cast<std::uint32_t>(
      crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

// Text that packs well and bytes that do not, so that both ends of deflate
// and the size of its output buffer are exercised.
std::string Contents(const std::string& kind) {
  if (kind == "empty") return {};
  if (kind == "text") {
    std::string text;
    for (int i = 0; i < 4000; ++i) text += "<tr><td>" + std::to_string(i) + "</td></tr>\r\n";
    return text;
  }
  std::string noise(300000, '\0');
  std::uint32_t state = 12345;
  for (char& c : noise) {
    state = state * 1103515245u + 12345u;
    c = static_cast<char>(state >> 24);
  }
  return noise;
}

TEST(ZipWriter, PacksOneEntryWithItsSizeAndCrc) {
  for (const std::string kind : {"empty", "text", "noise"}) {
    TempFolder folder;
    const std::string data = Contents(kind);
    const std::string source = folder.Write("report.htm", data);
    const std::string archive = folder.File("report.zip");
    ASSERT_EQ(PackFile(source, archive), kZipOk) << kind;

    const testing::UnpackedZip entry = Unpack(ReadText(archive));
    EXPECT_EQ(entry.problem, "") << kind;
    EXPECT_EQ(entry.name, "report.htm") << kind;
    EXPECT_EQ(entry.flags, 2) << kind;
    EXPECT_EQ(entry.method, 8) << kind;
    EXPECT_EQ(entry.externalAttributes, 32u) << kind;
    EXPECT_EQ(entry.size, data.size()) << kind;
    EXPECT_EQ(entry.crc, Crc(data)) << kind;
    EXPECT_TRUE(entry.data == data) << kind;
    if (kind == "text") {
      EXPECT_LT(entry.compressedSize, data.size() / 4);
    }
  }
}

TEST(ZipWriter, FailuresAsTable) {
  TempFolder folder;
  const std::string source = folder.Write("a.htm", "<HTML>");
  struct Case {
    const char* name;
    std::string source;
    std::string archive;
    int expected;
  };
  const std::vector<Case> cases = {
      {"missing source", folder.File("gone.htm"), folder.File("a.zip"), kZipBadSource},
      {"archive in a missing folder", source, folder.File("no/such/a.zip"), kZipCannotCreate},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PackFile(c.source, c.archive), c.expected) << c.name;
    EXPECT_FALSE(platform::PathExists(c.archive)) << c.name;
  }
}

TEST(ZipWriter, DosTimeAndDate) {
  struct Case {
    platform::CalendarTime time;
    std::uint16_t dosTime;
    std::uint16_t dosDate;
  };
  const std::vector<Case> cases = {
      {{2024, 3, 15, 13, 45, 31, 0}, 13 * 2048 + 45 * 32 + 15, (2024 - 1980) * 512 + 3 * 32 + 15},
      {{1980, 1, 1, 0, 0, 0, 0}, 0, 33},
      {{1970, 6, 1, 12, 0, 0, 0}, 12 * 2048, 33},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DosTime(c.time), c.dosTime) << c.time.year;
    EXPECT_EQ(DosDate(c.time), c.dosDate) << c.time.year;
  }
}

}  // namespace
}  // namespace tv::tvcore
