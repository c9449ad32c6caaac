#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "in_memory_parser.h"
#include "parser/product_folder.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "support/log_capture.h"
#include "support/memory_drive.h"
#include "support/temp_folder.h"

#ifndef _WIN32
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tv {
namespace {

using testing::InMemoryParser;

constexpr std::uint32_t kSectors = 64;

// Every sector's bytes hold its own number, so a read shows where it came from.
std::vector<std::uint8_t> NumberedImage() {
  std::vector<std::uint8_t> image(kSectors * kSectorSize);
  for (std::uint32_t s = 0; s < kSectors; ++s) {
    std::fill_n(image.begin() + s * kSectorSize, kSectorSize, static_cast<std::uint8_t>(s));
  }
  return image;
}

std::array<std::uint8_t, kBootSectorSize> BootSector(std::uint16_t bytesPerSector,
                                                     std::uint8_t sectorsPerCluster) {
  std::array<std::uint8_t, kBootSectorSize> sector{};
  sector[11] = static_cast<std::uint8_t>(bytesPerSector);
  sector[12] = static_cast<std::uint8_t>(bytesPerSector >> 8);
  sector[13] = sectorsPerCluster;
  return sector;
}

std::unique_ptr<InMemoryParser> MakeParser(std::uint8_t sectorsPerCluster,
                                           testing::MemoryDrive** driveOut = nullptr) {
  auto drive = std::make_unique<testing::MemoryDrive>(NumberedImage());
  if (driveOut != nullptr) *driveOut = drive.get();
  const auto boot = BootSector(512, sectorsPerCluster);
  return std::make_unique<InMemoryParser>(std::move(drive), boot,
                                          std::map<int, std::vector<testing::MemoryEntry>>{{0, {}}});
}

bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(ParserBase, ConstructionTakesTheGeometryAndMakesTheScratchFolder) {
  auto parser = MakeParser(4);
  EXPECT_EQ(parser->BytesPerSector(), 512);
  EXPECT_EQ(parser->SectorsPerCluster(), 4);
  EXPECT_EQ(parser->VolumeStartSector(), 0u);
  EXPECT_FALSE(parser->ScanStarted());
  EXPECT_TRUE(parser->Root().children.empty());
  EXPECT_EQ(parser->BootSector()[13], 4);

  // tvcore may or may not sit beside the test program: either way the folder
  // is "qzx_temp" in a folder that exists.
  const std::string& scratch = parser->ScratchFolder();
  const std::string name = "qzx_temp";
  ASSERT_GE(scratch.size(), name.size());
  EXPECT_EQ(scratch.substr(scratch.size() - name.size()), name);
  EXPECT_TRUE(platform::IsDirectory(scratch));
  const std::string tempBased = platform::JoinPath(platform::TempFolder(), name);
  const std::string productBased =
      platform::JoinPath(platform::JoinPath(platform::JoinPath(platform::AppDataFolder(), "Vardelin"),
                                            "vtl"),
                         name);
  EXPECT_TRUE(scratch == tempBased || scratch == productBased) << scratch;
}

TEST(ParserBase, ProductFolderNeedsTvcore) {
  EXPECT_EQ(ProductDataFolder(platform::JoinPath(platform::TempFolder(), "no-such-library"),
                              "GetTempFilesFolder"),
            std::nullopt);
#ifdef TV_TVCORE_PATH
  // With the real library: the folder is made under the application data,
  // kept out of the user's own folder here.
  testing::TempFolder appData;
#ifndef _WIN32
  const char* saved = std::getenv("XDG_DATA_HOME");
  const std::string savedValue = saved ? saved : "";
  setenv("XDG_DATA_HOME", appData.Path().string().c_str(), 1);
#endif
  const auto folder = ProductDataFolder(TV_TVCORE_PATH, "GetTempFilesFolder");
  ASSERT_TRUE(folder.has_value());
  EXPECT_EQ(*folder, platform::JoinPath(platform::JoinPath(platform::AppDataFolder(), "Vardelin"), "vtl") +
                         platform::kPathSeparator);
  EXPECT_TRUE(platform::IsDirectory(*folder));
  // A library without the asked-for export does not count.
  EXPECT_EQ(ProductDataFolder(TV_TVCORE_PATH, "NoSuchExport"), std::nullopt);
#ifndef _WIN32
  if (saved) {
    setenv("XDG_DATA_HOME", savedValue.c_str(), 1);
  } else {
    unsetenv("XDG_DATA_HOME");
  }
#endif
#endif
}

#if defined(TV_TVCORE_PATH) && !defined(_WIN32)
// Points XDG_DATA_HOME somewhere else for one test.
class DataHomeOverride {
 public:
  explicit DataHomeOverride(const std::string& value) {
    const char* saved = std::getenv("XDG_DATA_HOME");
    if (saved != nullptr) m_saved = saved;
    m_bWasSet = saved != nullptr;
    setenv("XDG_DATA_HOME", value.c_str(), 1);
  }
  ~DataHomeOverride() {
    if (m_bWasSet) {
      setenv("XDG_DATA_HOME", m_saved.c_str(), 1);
    } else {
      unsetenv("XDG_DATA_HOME");
    }
  }
  DataHomeOverride(const DataHomeOverride&) = delete;
  DataHomeOverride& operator=(const DataHomeOverride&) = delete;

 private:
  std::string m_saved;
  bool m_bWasSet = false;
};

TEST(ParserBase, ProductFolderIsMadeWholeOrNotUsed) {
  testing::TempFolder root;
  ASSERT_TRUE(platform::CreateDirectory(root.File("blocked")));
  {
    const platform::FileHandle file = platform::OpenFile(
        root.File("blocked/plain-file"), platform::OpenMode{platform::Access::Write,
                                                            platform::Disposition::CreateNew, true, false});
    ASSERT_NE(file, platform::kInvalidFile);
    platform::CloseFile(file);
  }
  const struct {
    const char* name;
    std::string dataHome;
    bool usable;
  } cases[] = {
      // A new user: not even the application-data folder exists yet.
      {"fresh user", root.File("fresh/home/.local/share"), true},
      {"data folder exists", root.File("blocked"), true},
      // A file where a folder of the path should be: nothing can be made.
      {"file in the path", root.File("blocked/plain-file/share"), false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const DataHomeOverride dataHome(c.dataHome);
    const auto folder = ProductDataFolder(TV_TVCORE_PATH, "GetTempFilesFolder");
    if (!c.usable) {
      EXPECT_EQ(folder, std::nullopt);
      continue;
    }
    ASSERT_TRUE(folder.has_value());
    EXPECT_EQ(*folder, c.dataHome + "/Vardelin/vtl/");
    EXPECT_TRUE(platform::IsDirectory(*folder));
  }

  // A folder that exists but takes no files (root may write anywhere).
  if (geteuid() != 0) {
    const std::string readOnly = root.File("read-only");
    ASSERT_TRUE(platform::CreateDirectoryPath(readOnly + "/Vardelin/vtl"));
    ASSERT_EQ(chmod((readOnly + "/Vardelin/vtl").c_str(), 0555), 0);
    const DataHomeOverride dataHome(readOnly);
    EXPECT_EQ(ProductDataFolder(TV_TVCORE_PATH, "GetTempFilesFolder"), std::nullopt);
    chmod((readOnly + "/Vardelin/vtl").c_str(), 0755);
  }
}
#endif

TEST(ParserBase, ReadsAreRelativeToTheVolumeStart) {
  auto parser = MakeParser(4);
  parser->SetVolumeStartSector(8);
  std::vector<std::uint8_t> buffer(8 * kSectorSize, 0xEE);
  std::uint32_t count = 0;

  EXPECT_EQ(parser->ReadSectors(2, buffer.data(), 2, count), kReadOk);
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(buffer[0], 10);
  EXPECT_EQ(buffer[kSectorSize], 11);

  EXPECT_EQ(parser->ReadAt(0, buffer.data(), 1, count), kReadOk);
  EXPECT_EQ(buffer[0], 8);

  // Cluster 3 of 4 sectors starts at sector 8 + 12 = 20; count is in clusters.
  EXPECT_EQ(parser->ReadClusters(3, buffer.data(), 2, count), kReadOk);
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(buffer[0], 20);
  EXPECT_EQ(buffer[7 * kSectorSize], 27);

  // Past the end of the volume.
  EXPECT_EQ(parser->ReadSectors(kSectors, buffer.data(), 1, count), kReadOutOfRange);
  EXPECT_EQ(count, 0u);
}

TEST(ParserBase, ReadClustersReportsWholeClustersAfterABadSector) {
  testing::MemoryDrive* drive = nullptr;
  auto parser = MakeParser(4, &drive);
  drive->AddBadSector(6);  // inside cluster 1 (sectors 4 to 7)
  std::vector<std::uint8_t> buffer(8 * kSectorSize);
  std::uint32_t count = 99;
  EXPECT_EQ(parser->ReadClusters(1, buffer.data(), 2, count), kReadSectorFailed);
  EXPECT_EQ(count, 1u);  // 7 good sectors make one whole cluster
  EXPECT_EQ(buffer[0], 4);
  EXPECT_EQ(buffer[2 * kSectorSize], 0);  // the bad sector reads as zeros
  EXPECT_EQ(buffer[4 * kSectorSize], 8);
}

TEST(ParserBase, ReadClustersRefusesAVolumeWithoutClusterSize) {
  auto parser = MakeParser(0);
  std::vector<std::uint8_t> buffer(kSectorSize);
  std::uint32_t count = 99;
  EXPECT_NE(parser->ReadClusters(1, buffer.data(), 1, count), kReadOk);
  EXPECT_EQ(count, 0u);
}

TEST(ParserBase, OpenVolumeLogsTheRootHandle) {
  {
    auto parser = MakeParser(1);
    parser->SetPrepareResult(5);
    testing::LogCapture log;
    EXPECT_EQ(parser->OpenVolume(), 5);  // PrepareVolume's result
    EXPECT_EQ(parser->RootDirectory(), 0);
    EXPECT_EQ(parser->CurrentDirectory(), 0);
    EXPECT_TRUE(HasLine(log.Lines(), "Root directory handle is -> [0]"));
  }
  {
    auto parser = MakeParser(1);
    parser->SetRootFails(true);
    testing::LogCapture log;
    EXPECT_EQ(parser->OpenVolume(), -1);
    EXPECT_EQ(parser->RootDirectory(), -1);
    EXPECT_EQ(parser->CurrentDirectory(), -1);
    EXPECT_TRUE(HasLine(log.Lines(), "[ERROR]: Root directory handle is -1"));
  }
}

TEST(ParserBase, ClearTreeAndCloseDrive) {
  auto parser = MakeParser(1);
  TreeNode& root = parser->Root();
  auto folder = std::make_unique<TreeNode>(5, "folder", kAttributeDirectory, 1);
  folder->parent = &root;
  TreeNode* added = AppendChild(root, std::move(folder));
  auto file = std::make_unique<TreeNode>(6, "file", 0, 1);
  file->parent = added;
  AppendChild(*added, std::move(file));

  std::uint32_t deleted = 0;
  parser->CountDeletedNodes(root, deleted);
  EXPECT_EQ(deleted, 2u);
  EXPECT_EQ(parser->FindNodeByKey(root.children, 5)->get(), added);

  parser->ClearTree();
  EXPECT_TRUE(root.children.empty());

  EXPECT_EQ(parser->CloseDrive(), 1);
  EXPECT_EQ(parser->Drive(), nullptr);
  std::uint32_t count = 0;
  std::array<std::uint8_t, kSectorSize> buffer{};
  EXPECT_NE(parser->ReadSectors(0, buffer.data(), 1, count), kReadOk);
}

}  // namespace
}  // namespace tv
