#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/library.h"
#include "platform/text.h"
#include "platform/times.h"
#include "support/temp_folder.h"

namespace tv::platform {
namespace {

constexpr OpenMode kWriteNew{Access::Write, Disposition::CreateNew, true, false};

bool WriteWholeFile(const std::string& path, const std::vector<unsigned char>& data) {
  const FileHandle file = OpenFile(path, OpenMode{Access::Write, Disposition::CreateAlways, true, false});
  if (file == kInvalidFile) return false;
  std::uint32_t done = 0;
  const bool ok = WriteFile(file, data.data(), static_cast<std::uint32_t>(data.size()), &done);
  CloseFile(file);
  return ok && done == data.size();
}

std::vector<unsigned char> Pattern(std::size_t size) {
  std::vector<unsigned char> data(size);
  for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<unsigned char>(i * 7 + 3);
  return data;
}

// Wine keeps files on a Linux file system, which has no settable creation time.
bool CreationTimeIsSettable() {
#ifdef _WIN32
  const LibraryHandle ntdll = LoadLibrary("ntdll.dll");
  const bool wine = ntdll != nullptr && FindSymbol(ntdll, "wine_get_version") != nullptr;
  FreeLibrary(ntdll);
  return !wine;
#else
  return false;
#endif
}

class FilesTest : public ::testing::Test {
 protected:
  testing::TempFolder folder_;
};

TEST_F(FilesTest, OpenReportsWhyItFailedOrWhetherTheFileExisted) {
  const std::string existing = folder_.File("existing.bin");
  ASSERT_TRUE(WriteWholeFile(existing, Pattern(10)));
  ASSERT_TRUE(CreateDirectory(folder_.File("sub")));

  struct Case {
    const char* name;
    std::string path;
    Disposition disposition;
    bool opens;
    std::uint32_t error;
  };
  const Case cases[] = {
      {"create-new on an existing file", existing, Disposition::CreateNew, false, err::kFileExists},
      {"create-new in a missing folder", folder_.File("none/new.bin"), Disposition::CreateNew, false,
       err::kPathNotFound},
      {"create-always in a missing folder", folder_.File("none/new.bin"), Disposition::CreateAlways, false,
       err::kPathNotFound},
      {"open a missing file", folder_.File("missing.bin"), Disposition::OpenExisting, false, err::kFileNotFound},
      {"open in a missing folder", folder_.File("none/missing.bin"), Disposition::OpenExisting, false,
       err::kPathNotFound},
      {"open a folder as a file", folder_.File("sub"), Disposition::OpenExisting, false, err::kAccessDenied},
      {"create-always over an existing file", existing, Disposition::CreateAlways, true, err::kAlreadyExists},
      {"open-always on an existing file", existing, Disposition::OpenAlways, true, err::kAlreadyExists},
      {"open-always on a new file", folder_.File("fresh.bin"), Disposition::OpenAlways, true, err::kSuccess},
  };
  for (const Case& c : cases) {
    SetLastError(12345);
    const FileHandle file = OpenFile(c.path, OpenMode{Access::Write, c.disposition, true, false});
    const std::uint32_t error = GetLastError();
    EXPECT_EQ(file != kInvalidFile, c.opens) << c.name;
    EXPECT_EQ(error, c.error) << c.name;
    CloseFile(file);
  }
  // Create-always emptied the file it found.
  const FileHandle file = OpenFile(existing, OpenMode{});
  std::uint64_t size = 99;
  EXPECT_TRUE(GetFileSize(file, &size));
  EXPECT_EQ(size, 0u);
  CloseFile(file);
}

TEST_F(FilesTest, CreateDirectoryTwiceReportsAlreadyExists) {
  const std::string path = folder_.File("made");
  EXPECT_TRUE(CreateDirectory(path));
  EXPECT_TRUE(IsDirectory(path));
  EXPECT_FALSE(CreateDirectory(path));
  EXPECT_EQ(GetLastError(), err::kAlreadyExists);
  EXPECT_EQ(ClassifyError(GetLastError()), FileErrorKind::Exists);

  EXPECT_FALSE(CreateDirectory(folder_.File("none/deeper")));
  EXPECT_EQ(GetLastError(), err::kPathNotFound);
}

TEST_F(FilesTest, CreateDirectoryPathMakesEveryMissingLevel) {
  const std::string deep = folder_.File("a/b/c/");
  EXPECT_TRUE(CreateDirectoryPath(deep));
  EXPECT_TRUE(IsDirectory(folder_.File("a/b/c")));
  EXPECT_TRUE(CreateDirectoryPath(folder_.File("a/b"))) << "a folder that exists";

  ASSERT_TRUE(WriteWholeFile(folder_.File("a/file"), Pattern(1)));
  EXPECT_FALSE(CreateDirectoryPath(folder_.File("a/file/sub"))) << "a file in the way";
  EXPECT_FALSE(CreateDirectoryPath(folder_.File("a/file"))) << "a file of that name";
}

TEST_F(FilesTest, UnicodeNamesWorkThroughNarrowAndWidePaths) {
  const std::string narrow = folder_.File("\xD0\xBF\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 \xF0\x9F\x98\x80.txt");
  ASSERT_TRUE(WriteWholeFile(narrow, Pattern(5)));
  EXPECT_TRUE(PathExists(narrow));
  EXPECT_FALSE(IsDirectory(narrow));

  const FileHandle file = OpenFile(ToWide(narrow), OpenMode{});
  ASSERT_NE(file, kInvalidFile);
  std::uint64_t size = 0;
  EXPECT_TRUE(GetFileSize(file, &size));
  EXPECT_EQ(size, 5u);
  CloseFile(file);

  EXPECT_TRUE(DeleteFile(ToWide(narrow)));
  EXPECT_FALSE(PathExists(narrow));
  EXPECT_FALSE(DeleteFile(narrow));
}

// Recovered folder trees can nest deeper than the 260 characters of a plain
// Windows path.
TEST_F(FilesTest, PathsLongerThanAPlainWindowsPathWork) {
  const std::string part(60, 'd');
  std::string path = folder_.File(part);
  for (;;) {
    ASSERT_TRUE(CreateDirectory(path)) << path.size();
    ASSERT_TRUE(IsDirectory(path));
    if (path.size() > 400) break;
    path = JoinPath(path, part);
  }
  const std::string file = JoinPath(path, "recovered file.txt");
  ASSERT_TRUE(WriteWholeFile(file, Pattern(9)));
  EXPECT_TRUE(PathExists(file));
  FileTime write = 0;
  EXPECT_TRUE(GetFileTimes(file, nullptr, nullptr, &write));
  const FileHandle again = OpenFile(file, kWriteNew);
  EXPECT_EQ(again, kInvalidFile);  // it exists
  EXPECT_EQ(GetLastError(), err::kFileExists);
  EXPECT_TRUE(DeleteFile(file));
  EXPECT_FALSE(PathExists(file));
}

TEST_F(FilesTest, ReadSeekAndSize) {
  const std::string path = folder_.File("data.bin");
  const std::vector<unsigned char> data = Pattern(1000);
  ASSERT_TRUE(WriteWholeFile(path, data));

  const FileHandle file = OpenFile(path, OpenMode{});
  ASSERT_NE(file, kInvalidFile);
  std::uint64_t size = 0;
  EXPECT_TRUE(GetFileSize(file, &size));
  EXPECT_EQ(size, 1000u);
  EXPECT_TRUE(GetDeviceSize(file, &size));
  EXPECT_EQ(size, 1000u);

  struct Case {
    std::uint64_t offset;
    std::uint32_t asked;
    std::uint32_t expected;
  };
  const Case cases[] = {{0, 16, 16}, {600, 1000, 400}, {999, 2, 1}, {1000, 10, 0}, {5000, 10, 0}};
  for (const Case& c : cases) {
    std::vector<unsigned char> buffer(c.asked, 0xEE);
    std::uint32_t done = 12345;
    ASSERT_TRUE(SeekFile(file, c.offset)) << c.offset;
    EXPECT_TRUE(ReadFile(file, buffer.data(), c.asked, &done)) << c.offset;
    ASSERT_EQ(done, c.expected) << c.offset;
    EXPECT_EQ(std::memcmp(buffer.data(), data.data() + c.offset, done), 0) << c.offset;
  }
  CloseFile(file);

  // Appending after a seek to the end.
  const FileHandle writer = OpenFile(path, OpenMode{Access::Write, Disposition::OpenExisting, true, false});
  ASSERT_NE(writer, kInvalidFile);
  ASSERT_TRUE(SeekToEnd(writer));
  std::uint32_t done = 0;
  EXPECT_TRUE(WriteFile(writer, "xyz", 3, &done));
  EXPECT_EQ(done, 3u);
  EXPECT_TRUE(GetFileSize(writer, &size));
  EXPECT_EQ(size, 1003u);
  CloseFile(writer);
}

TEST_F(FilesTest, DeviceHandlesReadButNeverWrite) {
  const std::string path = folder_.File("volume.img");
  const std::vector<unsigned char> data = Pattern(4096);
  ASSERT_TRUE(WriteWholeFile(path, data));

  const FileHandle device = OpenDeviceForRead(ToWide(path));
  ASSERT_NE(device, kInvalidFile);
  std::uint64_t size = 0;
  EXPECT_TRUE(GetDeviceSize(device, &size));
  EXPECT_EQ(size, 4096u);

  std::vector<unsigned char> sector(512);
  std::uint32_t done = 0;
  ASSERT_TRUE(SeekFile(device, 1024));
  EXPECT_TRUE(ReadFile(device, sector.data(), 512, &done));
  EXPECT_EQ(done, 512u);
  EXPECT_EQ(std::memcmp(sector.data(), data.data() + 1024, 512), 0);

  ASSERT_TRUE(SeekFile(device, 0));
  const std::vector<unsigned char> zeros(512, 0);
  EXPECT_FALSE(WriteFile(device, zeros.data(), 512, &done));
  EXPECT_EQ(done, 0u);
  CloseFile(device);

  const FileHandle check = OpenFile(path, OpenMode{});
  std::vector<unsigned char> first(512);
  EXPECT_TRUE(ReadFile(check, first.data(), 512, &done));
  EXPECT_EQ(std::memcmp(first.data(), data.data(), 512), 0);
  CloseFile(check);

  EXPECT_EQ(OpenDeviceForRead(ToWide(folder_.File("missing.img"))), kInvalidFile);
  EXPECT_EQ(GetLastError(), err::kFileNotFound);
}

TEST_F(FilesTest, FileTimesRoundTrip) {
  const std::string path = folder_.File("dated.bin");
  const FileHandle file = OpenFile(path, kWriteNew);
  ASSERT_NE(file, kInvalidFile);

  const FileTime created = CalendarToFileTime({1999, 12, 31, 23, 59, 58, 0});
  const FileTime accessed = CalendarToFileTime({2010, 6, 15, 8, 30, 0, 0});
  const FileTime written = CalendarToFileTime({2001, 2, 3, 4, 5, 6, 789});
  ASSERT_TRUE(SetFileTimes(file, &created, &accessed, &written));
  // A null time leaves that time as it was.
  const FileTime laterWrite = written + 10'000'000;
  ASSERT_TRUE(SetFileTimes(file, nullptr, nullptr, &laterWrite));
  CloseFile(file);

  FileTime creation = 0, access = 0, write = 0;
  ASSERT_TRUE(GetFileTimes(path, &creation, &access, &write));
  EXPECT_EQ(write, laterWrite);
  EXPECT_EQ(access, accessed);
  if (CreationTimeIsSettable()) {
    EXPECT_EQ(creation, created);
  }

  EXPECT_FALSE(GetFileTimes(folder_.File("missing.bin"), &creation, &access, &write));
}

TEST_F(FilesTest, VolumeSizeAndDeviceIdentity) {
  std::uint64_t total = 0;
  EXPECT_TRUE(GetVolumeTotalBytes(ToWide(TempFolder()), &total));
  EXPECT_GT(total, 0u);

  // Two files in one folder live on the same device.
  const std::string a = folder_.File("a.bin");
  ASSERT_TRUE(WriteWholeFile(a, Pattern(1)));
  std::uint64_t first = 0, second = 1;
  EXPECT_TRUE(GetHostDeviceId(a, &first));
  EXPECT_TRUE(GetHostDeviceId(folder_.Text(), &second));
  EXPECT_EQ(first, second);
}

#ifndef _WIN32
// The mounted cases (loop devices, FUSE) need root and run end to end; here
// the volume is an image file that nothing has mounted.
TEST_F(FilesTest, AnImageFileIsNotTheFolderBesideIt) {
  const std::string image = folder_.File("volume.img");
  ASSERT_TRUE(WriteWholeFile(image, Pattern(4096)));
  ASSERT_TRUE(CreateDirectory(folder_.File("out")));
  // Writing next to the image changes the file system that holds it, not
  // the image's own bytes.
  EXPECT_FALSE(SameVolumeAs(image, folder_.File("out")));
  EXPECT_FALSE(SameVolumeAs(folder_.File("missing.img"), folder_.File("out")));
}
#endif

}  // namespace
}  // namespace tv::platform
