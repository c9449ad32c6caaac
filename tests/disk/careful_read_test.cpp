// The careful read, the read-at and the range rules, on a drive with
// injected bad sectors.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "disk/disk_drive.h"
#include "support/log_capture.h"
#include "support/memory_drive.h"

namespace tv {
namespace {

using testing::LogCapture;
using testing::MemoryDrive;

constexpr std::uint32_t kImageSectors = 16;

// Every byte of sector s is s + 1, so a zeroed sector stands out.
std::vector<std::uint8_t> NumberedImage() {
  std::vector<std::uint8_t> image(kImageSectors * kSectorSize);
  for (std::size_t i = 0; i < image.size(); ++i)
    image[i] = static_cast<std::uint8_t>(i / kSectorSize + 1);
  return image;
}

std::uint8_t FillOf(const std::vector<std::uint8_t>& buffer, std::uint32_t index) {
  const auto first = buffer.begin() + index * kSectorSize;
  for (auto it = first; it != first + kSectorSize; ++it) {
    if (*it != *first) return 0xEE;  // a mixed sector matches no expectation
  }
  return *first;
}

struct FallbackCase {
  const char* name;
  std::set<std::uint64_t> bad;
  std::uint64_t start;
  std::uint32_t count;
  int result;
  std::uint32_t sectorsRead;
};

TEST(CarefulRead, KeepsEveryReadableSectorAndZeroesEachBadOne) {
  const FallbackCase cases[] = {
      {"no bad sector", {}, 2, 8, kReadOk, 8},
      {"bad sector outside the run", {12}, 2, 8, kReadOk, 8},
      {"one bad sector in the middle", {5}, 3, 6, kReadSectorFailed, 5},
      {"bad first sector of the run", {3}, 3, 4, kReadSectorFailed, 3},
      {"bad last sector of the run", {6}, 3, 4, kReadSectorFailed, 3},
      {"two bad sectors apart", {4, 7}, 2, 8, kReadSectorFailed, 6},
      {"every sector bad", {0, 1}, 0, 2, kReadSectorFailed, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LogCapture log;
    MemoryDrive drive(NumberedImage());
    for (auto s : c.bad) drive.AddBadSector(s);
    std::vector<std::uint8_t> buffer(c.count * kSectorSize, 0xCC);
    std::uint32_t read = 12345;

    EXPECT_EQ(drive.ReadSectors(c.start, buffer.data(), c.count, &read), c.result);
    EXPECT_EQ(read, c.sectorsRead);

    std::vector<std::string> expectedLog;
    std::vector<std::uint64_t> expectedUnreadable;
    for (std::uint32_t i = 0; i < c.count; ++i) {
      const std::uint64_t sector = c.start + i;
      const bool bad = c.bad.count(sector) != 0;
      EXPECT_EQ(FillOf(buffer, i), bad ? 0 : sector + 1) << "sector " << sector;
      if (bad) {
        expectedLog.push_back("error reading sector " + std::to_string(sector));
        expectedUnreadable.push_back(sector);
      }
    }
    EXPECT_EQ(log.Lines(), expectedLog);
    EXPECT_EQ(drive.LastUnreadableSectors(), expectedUnreadable);
  }
}

TEST(CarefulRead, UnreadableSectorsDescribeOnlyTheLastRead) {
  MemoryDrive drive(NumberedImage());
  drive.AddBadSector(5);
  drive.AddBadSector(kImageSectors - 3);
  std::vector<std::uint8_t> buffer(8 * kSectorSize);
  const std::vector<std::uint64_t> none;

  ASSERT_EQ(drive.ReadSectors(4, buffer.data(), 2, nullptr), kReadSectorFailed);
  EXPECT_EQ(drive.LastUnreadableSectors(), std::vector<std::uint64_t>{5});
  EXPECT_EQ(drive.ReadSectors(0, buffer.data(), 4, nullptr), kReadOk);
  EXPECT_EQ(drive.LastUnreadableSectors(), none) << "a good read";

  ASSERT_EQ(drive.ReadSectors(4, buffer.data(), 2, nullptr), kReadSectorFailed);
  EXPECT_EQ(drive.ReadSectors(kImageSectors, buffer.data(), 1, nullptr), kReadOutOfRange);
  EXPECT_EQ(drive.LastUnreadableSectors(), none) << "a read beyond the end";

  // A run past the end is shortened; the sectors it drops are not unreadable.
  EXPECT_EQ(drive.ReadSectors(kImageSectors - 4, buffer.data(), 8, nullptr), kReadSectorFailed);
  EXPECT_EQ(drive.LastUnreadableSectors(), std::vector<std::uint64_t>{kImageSectors - 3});
  EXPECT_EQ(drive.ReadSectors(kImageSectors - 2, buffer.data(), 8, nullptr), kReadOk);
  EXPECT_EQ(drive.LastUnreadableSectors(), none) << "a shortened read";
}

TEST(CarefulRead, ReadsAGoodRunInOneRawRead) {
  MemoryDrive drive(NumberedImage());
  std::vector<std::uint8_t> buffer(8 * kSectorSize);
  ASSERT_EQ(drive.ReadSectors(4, buffer.data(), 8, nullptr), kReadOk);
  ASSERT_EQ(drive.RawReads().size(), 1u);
  EXPECT_EQ(drive.RawReads()[0].sector, 4u);
  EXPECT_EQ(drive.RawReads()[0].count, 8u);
}

struct RangeCase {
  const char* name;
  bool careful;  // ReadSectors, else ReadAt
  std::uint64_t start;
  std::uint32_t count;
  int result;
  std::uint32_t sectorsRead;
};

TEST(CarefulRead, RangeRules) {
  const RangeCase cases[] = {
      {"whole device", true, 0, kImageSectors, kReadOk, kImageSectors},
      {"last sector", true, kImageSectors - 1, 1, kReadOk, 1},
      {"run past the end is shortened", true, kImageSectors - 2, 5, kReadOk, 2},
      {"start at the end", true, kImageSectors, 1, kReadOutOfRange, 0},
      {"start far beyond the end", true, 1ull << 40, 1, kReadOutOfRange, 0},
      {"read-at of the last sector", false, kImageSectors - 1, 1, kReadOk, 1},
      {"read-at at the end", false, kImageSectors, 1, kReadOutOfRange, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryDrive drive(NumberedImage());
    std::vector<std::uint8_t> buffer(c.count * kSectorSize, 0xCC);
    std::uint32_t read = 0;
    const int result = c.careful ? drive.ReadSectors(c.start, buffer.data(), c.count, &read)
                                 : drive.ReadAt(c.start, buffer.data(), c.count, &read);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(read, c.sectorsRead);
    for (std::uint32_t i = 0; i < c.count; ++i) {
      // Sectors read hold their data; the part of the buffer past a
      // shortened run is left alone.
      EXPECT_EQ(FillOf(buffer, i), i < c.sectorsRead ? c.start + i + 1 : 0xCC) << "sector " << i;
    }
    if (c.result == kReadOutOfRange) {
      EXPECT_TRUE(drive.RawReads().empty());
    }
  }
}

TEST(CarefulRead, NoBufferIsRefused) {
  MemoryDrive drive(NumberedImage());
  drive.AddBadSector(1);
  EXPECT_EQ(drive.ReadSectors(0, nullptr, 2, nullptr), kReadNoBuffer);
  EXPECT_EQ(drive.ReadAt(0, nullptr, 1, nullptr), kReadNoBuffer);
}

}  // namespace
}  // namespace tv
