// The file-backed readers: opening (and failing to open) with their log
// lines, reading an image file, the factory, and writes that write nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <string>
#include <typeinfo>
#include <vector>

#include "disk/disk_drive.h"
#include "disk/le_reader.h"
#include "disk/logical_drive_nt.h"
#include "disk/physical_drive_nt.h"
#include "disk/posix_drive.h"
#include "platform/text.h"
#include "support/log_capture.h"
#include "support/temp_folder.h"

namespace tv {
namespace {

using testing::LogCapture;
using testing::TempFolder;

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void WriteWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()),
             static_cast<std::streamsize>(bytes.size()));
}

// `sectors` sectors where byte i of the file is (i * 7 + i / 512) & 0xFF, and
// `extra` bytes more of the same.
std::vector<std::uint8_t> PatternBytes(std::uint32_t sectors, std::uint32_t extra = 0) {
  std::vector<std::uint8_t> bytes(sectors * kSectorSize + extra);
  for (std::size_t i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 512);
  return bytes;
}

std::vector<std::uint8_t> SectorsOf(const std::vector<std::uint8_t>& bytes, std::uint64_t first,
                                    std::uint32_t count) {
  const auto begin = bytes.begin() + static_cast<std::ptrdiff_t>(first * kSectorSize);
  return {begin, begin + static_cast<std::ptrdiff_t>(count) * kSectorSize};
}

struct OpenFailureCase {
  const char* name;
  std::function<int(const std::string& folder)> open;
  std::vector<std::string> log;  // with "%F" standing for the temporary folder
};

std::string Expand(std::string text, const std::string& folder) {
  const auto at = text.find("%F");
  if (at != std::string::npos) text.replace(at, 2, folder);
  return text;
}

TEST(DriveOpen, FailuresGiveMinusOneAndTheirLogLines) {
  const std::string kOpenError[] = {"[ERROR]: Error while opening disk",
                                    "Error while opening disk"};
  const OpenFailureCase cases[] = {
      {"physical disk by number",
       [](const std::string&) { return CPhysicalDriveNT().OpenByNumber(77); },
       {"try to open disk: \\\\.\\PhysicalDrive77...", kOpenError[0], kOpenError[1]}},
      {"physical disk by a number in text",
       [](const std::string&) { return CPhysicalDriveNT().OpenPath(u"78"); },
       {"try to open disk: \\\\.\\PhysicalDrive78...", kOpenError[0], kOpenError[1]}},
      {"physical disk by device path",
       [](const std::string&) { return CPhysicalDriveNT().OpenPath(u"\\\\.\\NoSuchDisk"); },
       {"try to open disk: \\\\.\\NoSuchDisk...", kOpenError[0], kOpenError[1]}},
      {"volume by letter",
       [](const std::string&) { return CLogicalDriveNT().OpenByNumber('Q'); },
       {"try to open disk: \\\\.\\Q:", kOpenError[0], kOpenError[1]}},
      {"volume by letter and colon",
       [](const std::string&) { return CLogicalDriveNT().OpenPath(u"Q:"); },
       {"try to open disk: \\\\.\\Q:", kOpenError[0], kOpenError[1]}},
      {"missing image file",
       [](const std::string& folder) {
         return CLogicalDriveNT().OpenImageFile(platform::ToWide(folder + "/missing.img"));
       },
       {"try to open image: %F/missing.img..."}},
      {"empty image file",
       [](const std::string& folder) {
         WriteWholeFile(folder + "/empty.img", {});
         return CPhysicalDriveNT().OpenImageFile(platform::ToWide(folder + "/empty.img"));
       },
       {"try to open image: %F/empty.img...", "Image opened successfully"}},
      {"missing device or image by path",
       [](const std::string& folder) {
         return CPosixDrive().OpenPath(platform::ToWide(folder + "/missing.img"));
       },
       {"try to open disk: %F/missing.img...", kOpenError[0], kOpenError[1]}},
      {"no numbered disks on POSIX",
       [](const std::string&) { return CPosixDrive().OpenByNumber(0); },
       {}},
  };
  TempFolder folder;
  const std::string base = folder.Text();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LogCapture log;
    EXPECT_EQ(c.open(base), -1);
    std::vector<std::string> expected;
    for (const auto& line : c.log) expected.push_back(Expand(line, base));
    EXPECT_EQ(log.Lines(), expected);
  }
}

// Opens a file-backed reader on `path` the way each platform can.
struct FileReader {
  const char* name;
  std::function<std::unique_ptr<CDiskDrive>(const WString& path, int* result)> open;
};

std::vector<FileReader> FileReaders() {
  std::vector<FileReader> readers = {{"image file", [](const WString& path, int* result) {
                                        auto drive = std::make_unique<CLogicalDriveNT>();
                                        *result = drive->OpenImageFile(path);
                                        return std::unique_ptr<CDiskDrive>(std::move(drive));
                                      }}};
#ifndef _WIN32
  readers.push_back({"device path", [](const WString& path, int* result) {
                       std::unique_ptr<CDiskDrive> drive;
                       EXPECT_EQ(CreateDiskDrive(1, &drive), 0);
                       *result = drive->OpenPath(path);
                       return drive;
                     }});
#endif
  return readers;
}

TEST(DriveOpen, FileReadersReadWholeSectorsInsideTheFile) {
  TempFolder folder;
  const std::string path = folder.File("numbered.img");
  // Half a sector more: the tail is not a whole sector and is not readable.
  const auto bytes = PatternBytes(16, 256);
  WriteWholeFile(path, bytes);

  for (const auto& reader : FileReaders()) {
    SCOPED_TRACE(reader.name);
    int opened = -1;
    auto drive = reader.open(platform::ToWide(path), &opened);
    ASSERT_EQ(opened, 0);
    EXPECT_EQ(drive->TotalSectors(), 16u);
    EXPECT_EQ(drive->DevicePath(), platform::ToWide(path));

    std::vector<std::uint8_t> buffer(4 * kSectorSize, 0xCC);
    std::uint32_t read = 0;
    EXPECT_EQ(drive->ReadSectors(3, buffer.data(), 4, &read), kReadOk);
    EXPECT_EQ(read, 4u);
    EXPECT_EQ(buffer, SectorsOf(bytes, 3, 4));

    EXPECT_EQ(drive->ReadSectors(14, buffer.data(), 4, &read), kReadOk);
    EXPECT_EQ(read, 2u);
    EXPECT_EQ(std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + 2 * kSectorSize),
              SectorsOf(bytes, 14, 2));

    EXPECT_EQ(drive->ReadAt(15, buffer.data(), 1, &read), kReadOk);
    EXPECT_EQ(std::vector<std::uint8_t>(buffer.begin(), buffer.begin() + kSectorSize),
              SectorsOf(bytes, 15, 1));
    // The read-at is not shortened: the file delivers two sectors and the
    // half sector after them, and the rest of the buffer is zeros, not stale.
    std::fill(buffer.begin(), buffer.end(), std::uint8_t{0xCC});
    EXPECT_EQ(drive->ReadAt(14, buffer.data(), 4, &read), kReadOk);
    EXPECT_EQ(read, 2u);
    auto expected = SectorsOf(bytes, 14, 2);
    expected.insert(expected.end(), bytes.end() - 256, bytes.end());
    expected.resize(buffer.size(), 0);
    EXPECT_EQ(buffer, expected);

    EXPECT_EQ(drive->ReadAt(16, buffer.data(), 1, &read), kReadOutOfRange);
    EXPECT_EQ(drive->ReadSectors(16, buffer.data(), 1, &read), kReadOutOfRange);

    drive->Close();
    EXPECT_EQ(drive->ReadAt(0, buffer.data(), 1, &read), kReadOutOfRange)
        << "a closed drive reads nothing";
  }
}

TEST(DriveOpen, WritesLeaveTheVolumeUntouched) {
  TempFolder folder;
  const std::string path = folder.File("volume.img");
  const auto bytes = PatternBytes(8);
  WriteWholeFile(path, bytes);
  const std::vector<std::uint8_t> zeros(2 * kSectorSize, 0);

  for (const auto& reader : FileReaders()) {
    SCOPED_TRACE(reader.name);
    int opened = -1;
    auto drive = reader.open(platform::ToWide(path), &opened);
    ASSERT_EQ(opened, 0);
    std::uint32_t written = 99;
    EXPECT_EQ(drive->WriteRaw(zeros.data(), 2, &written), 1);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(drive->SeekAndWrite(2, zeros.data(), 2, &written), 1);
    EXPECT_EQ(drive->SeekAndWrite(8, zeros.data(), 1, &written), kReadOutOfRange);
    EXPECT_FALSE(platform::WriteFile(drive->GetHandle(), zeros.data(), kSectorSize, &written))
        << "the handle is open for reading only";
    drive.reset();
    EXPECT_EQ(ReadWholeFile(path), bytes);
  }
}

TEST(DriveOpen, FactoryMakesThePlatformsReaderForKnownKinds) {
  struct Case {
    int kind;
    int result;
    const std::type_info* type;
  };
#ifdef _WIN32
  const Case cases[] = {{0, 0, &typeid(CPhysicalDriveNT)},
                        {1, 0, &typeid(CLogicalDriveNT)},
                        {2, -1, nullptr},
                        {-1, -1, nullptr}};
#else
  const Case cases[] = {{0, 0, &typeid(CPosixDrive)},
                        {1, 0, &typeid(CPosixDrive)},
                        {2, -1, nullptr},
                        {-1, -1, nullptr}};
#endif
  for (const auto& c : cases) {
    std::unique_ptr<CDiskDrive> drive;
    EXPECT_EQ(CreateDiskDrive(c.kind, &drive), c.result) << "kind " << c.kind;
    if (c.type == nullptr) {
      EXPECT_EQ(drive, nullptr) << "kind " << c.kind;
    } else {
      ASSERT_NE(drive, nullptr) << "kind " << c.kind;
      EXPECT_EQ(typeid(*drive), *c.type) << "kind " << c.kind;
      EXPECT_EQ(drive->GetHandle(), platform::kInvalidFile);
    }
  }
}

#if defined(TV_MKFS_FAT) && !defined(_WIN32)
TEST(DriveOpen, PosixReaderReadsAFreshFatVolume) {
  TempFolder folder;
  const std::string path = folder.File("floppy.img");
  const std::string command = std::string(TV_MKFS_FAT) + " -C '" + path + "' 1440 > /dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  const auto image = ReadWholeFile(path);
  ASSERT_EQ(image.size(), 1440u * 1024);

  LogCapture log;
  std::unique_ptr<CDiskDrive> drive;
  ASSERT_EQ(CreateDiskDrive(1, &drive), 0);
  ASSERT_EQ(drive->OpenPath(platform::ToWide(path)), 0);
  EXPECT_EQ(log.Lines(), (std::vector<std::string>{"try to open disk: " + path + "...",
                                                   "disk opened successfully"}));
  EXPECT_EQ(drive->TotalSectors(), 2880u);

  std::vector<std::uint8_t> boot(kSectorSize);
  ASSERT_EQ(drive->ReadAt(0, boot.data(), 1, nullptr), kReadOk);
  LeReader fields(boot);
  EXPECT_EQ(fields.U16(510), 0xAA55u);
  EXPECT_EQ(fields.U16(11), 512u);
  const auto label = fields.Bytes(54, 8);
  EXPECT_EQ(std::string(label.begin(), label.end()), "FAT12   ");

  std::vector<std::uint8_t> all(2880 * kSectorSize);
  std::uint32_t read = 0;
  ASSERT_EQ(drive->ReadSectors(0, all.data(), 2880, &read), kReadOk);
  EXPECT_EQ(read, 2880u);
  EXPECT_EQ(all, image);
}
#endif

#ifndef _WIN32
std::size_t OpenDescriptors() {
  const std::filesystem::directory_iterator all("/proc/self/fd");
  return static_cast<std::size_t>(std::distance(begin(all), end(all)));
}

TEST(DriveOpen, PosixReaderOpensAPathThatIsNotUtf8) {
  TempFolder folder;
  // A lone 0xFF and a cut two-byte sequence: a name no UTF-16 text can hold
  // unless the bytes travel as they are.
  const std::string path = folder.Text() + "/vol\xFF\xC3.img";
  const auto bytes = PatternBytes(4);
  WriteWholeFile(path, bytes);

  CPosixDrive drive;
  ASSERT_EQ(drive.OpenPath(platform::ToWidePath(path)), 0);
  EXPECT_EQ(drive.TotalSectors(), 4u);
  std::vector<std::uint8_t> buffer(4 * kSectorSize);
  ASSERT_EQ(drive.ReadSectors(0, buffer.data(), 4, nullptr), kReadOk);
  EXPECT_EQ(buffer, bytes);
}

TEST(DriveOpen, PosixReaderRetriesEachSectorOfAFileThatShrank) {
  TempFolder folder;
  const std::string path = folder.File("shrinking.img");
  const auto bytes = PatternBytes(16);
  WriteWholeFile(path, bytes);
  LogCapture log;
  const std::size_t descriptorsBefore = OpenDescriptors();
  CPosixDrive drive;
  ASSERT_EQ(drive.OpenPath(platform::ToWide(path)), 0);
  // Cut after sector 9 and a part of sector 10: the bulk read comes back
  // short, and each sector is tried alone (uncached where the file system
  // allows it); the part of sector 10 is not a sector.
  std::filesystem::resize_file(path, 10 * kSectorSize + 100);

  log.Clear();
  std::vector<std::uint8_t> buffer(6 * kSectorSize, 0xCC);
  std::uint32_t read = 0;
  EXPECT_EQ(drive.ReadSectors(8, buffer.data(), 6, &read), kReadSectorFailed);
  EXPECT_EQ(read, 2u);
  EXPECT_EQ(drive.LastUnreadableSectors(), (std::vector<std::uint64_t>{10, 11, 12, 13}));
  auto expected = SectorsOf(bytes, 8, 2);
  expected.resize(buffer.size(), 0);
  EXPECT_EQ(buffer, expected);
  std::vector<std::string> errors;
  for (const auto& line : log.Lines()) {
    if (line.rfind("error reading sector", 0) == 0) errors.push_back(line);
  }
  EXPECT_EQ(errors, (std::vector<std::string>{"error reading sector 10", "error reading sector 11",
                                              "error reading sector 12", "error reading sector 13"}));

  // The retry's second handle goes with the volume.
  drive.Close();
  EXPECT_EQ(OpenDescriptors(), descriptorsBefore);
}
#endif

}  // namespace
}  // namespace tv
