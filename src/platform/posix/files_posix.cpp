#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#ifdef __linux__
#include <linux/fs.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <limits>

#include "platform/disk_full_seam.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/posix/mount_table.h"
#include "platform/posix/posix_errors.h"
#include "platform/text.h"

namespace tv::platform {

namespace {

using posix::SetLastErrorForPath;
using posix::SetLastErrorFromErrno;

// Ticks of 100 ns between 1601-01-01 and 1970-01-01.
constexpr std::uint64_t kUnixEpochTicks = 116'444'736'000'000'000ULL;
constexpr std::uint64_t kTicksPerSecond = 10'000'000;
// A single read or write call moves at most this much (Linux caps it there).
constexpr std::size_t kMaxTransfer = 0x7FFFF000;
// Windows reports fixed disks as media type 12.
constexpr std::uint32_t kFixedMedia = 12;

int Descriptor(FileHandle file) { return static_cast<int>(file); }

bool ValidHandle(FileHandle file) {
  if (file < 0 || file > INT_MAX) {
    SetLastError(err::kInvalidHandle);
    return false;
  }
  return true;
}

int AccessFlags(Access access) {
  switch (access) {
    case Access::Read:
      return O_RDONLY;
    case Access::Write:
      return O_WRONLY;
    case Access::ReadWrite:
      return O_RDWR;
  }
  return O_RDONLY;
}

// Opens `path` and refuses folders, which Windows does not open as files.
int OpenRegular(const std::string& path, int flags) {
  int fd;
  do {
    fd = open(path.c_str(), flags | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) return -1;
  struct stat info {};
  if (fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
    close(fd);
    errno = EISDIR;
    return -1;
  }
  return fd;
}

FileTime ToFileTime(const struct timespec& time) {
  if (time.tv_sec < 0 && static_cast<std::uint64_t>(-time.tv_sec) * kTicksPerSecond > kUnixEpochTicks) {
    return 0;
  }
  const std::int64_t ticks = static_cast<std::int64_t>(time.tv_sec) * static_cast<std::int64_t>(kTicksPerSecond) +
                             time.tv_nsec / 100;
  return static_cast<FileTime>(static_cast<std::int64_t>(kUnixEpochTicks) + ticks);
}

struct timespec ToTimespec(const FileTime* time) {
  struct timespec spec {};
  if (time == nullptr) {
    spec.tv_nsec = UTIME_OMIT;
    return spec;
  }
  const std::int64_t ticks = static_cast<std::int64_t>(*time) - static_cast<std::int64_t>(kUnixEpochTicks);
  std::int64_t seconds = ticks / static_cast<std::int64_t>(kTicksPerSecond);
  std::int64_t rest = ticks % static_cast<std::int64_t>(kTicksPerSecond);
  if (rest < 0) {
    rest += static_cast<std::int64_t>(kTicksPerSecond);
    --seconds;
  }
  spec.tv_sec = static_cast<time_t>(seconds);
  spec.tv_nsec = static_cast<long>(rest * 100);
  return spec;
}

// The creation time where the file system records one; 0 (unknown) elsewhere.
FileTime BirthTime(const std::string& path) {
#ifdef STATX_BTIME
  struct statx info {};
  if (statx(AT_FDCWD, path.c_str(), 0, STATX_BTIME, &info) == 0 && (info.stx_mask & STATX_BTIME) != 0) {
    struct timespec birth {};
    birth.tv_sec = static_cast<time_t>(info.stx_btime.tv_sec);
    birth.tv_nsec = static_cast<long>(info.stx_btime.tv_nsec);
    return ToFileTime(birth);
  }
#else
  (void)path;
#endif
  return 0;
}

}  // namespace

FileHandle OpenFile(const std::string& path, const OpenMode& mode) {
  const int access = AccessFlags(mode.access);
  int fd = -1;
  bool existed = false;
  switch (mode.disposition) {
    case Disposition::CreateNew:
      fd = OpenRegular(path, access | O_CREAT | O_EXCL);
      break;
    case Disposition::OpenExisting:
      fd = OpenRegular(path, access);
      break;
    case Disposition::CreateAlways:
    case Disposition::OpenAlways: {
      // Windows tells the caller whether the file was there already; find out
      // by trying to create it exclusively first.
      const int keep = mode.disposition == Disposition::CreateAlways ? O_TRUNC : 0;
      for (int attempt = 0; attempt < 3 && fd < 0; ++attempt) {
        fd = OpenRegular(path, access | O_CREAT | O_EXCL);
        existed = fd < 0 && errno == EEXIST;
        if (!existed) break;
        fd = OpenRegular(path, access | keep);
        // Deleted between the two calls: try to create it again.
        if (fd < 0 && errno != ENOENT) break;
      }
      break;
    }
  }
  if (fd < 0) {
    SetLastErrorForPath(errno, path);
    return kInvalidFile;
  }
  seam::NoteOpenedFile(path, fd, mode.access);
  SetLastError(existed ? err::kAlreadyExists : err::kSuccess);
  return fd;
}

FileHandle OpenFile(const WString& path, const OpenMode& mode) { return OpenFile(ToNarrow(path), mode); }

FileHandle OpenDeviceForRead(const WString& path) {
  const std::string narrow = ToNarrowPath(path);
  const int fd = OpenRegular(narrow, O_RDONLY);
  if (fd < 0) {
    SetLastErrorForPath(errno, narrow);
    return kInvalidFile;
  }
  SetLastError(err::kSuccess);
  return fd;
}

FileHandle OpenDeviceForDirectRead(const WString& path, std::uint32_t* unitBytes) {
#ifdef O_DIRECT
  const std::string narrow = ToNarrowPath(path);
  const int fd = OpenRegular(narrow, O_RDONLY | O_DIRECT);
  if (fd < 0) {
    SetLastErrorForPath(errno, narrow);
    return kInvalidFile;
  }
  std::uint32_t unit = 512;
#ifdef BLKSSZGET
  struct stat info {};
  int sectorBytes = 0;
  if (fstat(fd, &info) == 0 && S_ISBLK(info.st_mode) && ioctl(fd, BLKSSZGET, &sectorBytes) == 0 &&
      sectorBytes > 0) {
    unit = static_cast<std::uint32_t>(sectorBytes);
  }
#endif
  *unitBytes = unit;
  SetLastError(err::kSuccess);
  return fd;
#else
  (void)path;
  (void)unitBytes;
  SetLastError(err::kNotSupported);
  return kInvalidFile;
#endif
}

void CloseFile(FileHandle file) {
  if (file != kInvalidFile && file >= 0 && file <= INT_MAX) {
    seam::NoteClosedFile(file);
    close(Descriptor(file));
  }
}

bool ReadFile(FileHandle file, void* buffer, std::uint32_t bytes, std::uint32_t* done) {
  if (done != nullptr) *done = 0;
  if (!ValidHandle(file)) return false;
  auto* out = static_cast<unsigned char*>(buffer);
  std::uint32_t total = 0;
  while (total < bytes) {
    const std::size_t chunk = std::min<std::size_t>(bytes - total, kMaxTransfer);
    const ssize_t got = read(Descriptor(file), out + total, chunk);
    if (got < 0) {
      if (errno == EINTR) continue;
      SetLastErrorFromErrno(errno);
      if (done != nullptr) *done = total;
      return false;
    }
    if (got == 0) break;  // end of file: success with a short count
    total += static_cast<std::uint32_t>(got);
  }
  if (done != nullptr) *done = total;
  return true;
}

bool WriteFile(FileHandle file, const void* buffer, std::uint32_t bytes, std::uint32_t* done) {
  if (done != nullptr) *done = 0;
  if (!ValidHandle(file)) return false;
  const auto* in = static_cast<const unsigned char*>(buffer);
  const std::uint32_t writable = seam::WritableBytes(file, bytes);
  std::uint32_t total = 0;
  while (total < writable) {
    const std::size_t chunk = std::min<std::size_t>(writable - total, kMaxTransfer);
    const ssize_t put = write(Descriptor(file), in + total, chunk);
    if (put < 0) {
      if (errno == EINTR) continue;
      SetLastErrorFromErrno(errno);
      if (done != nullptr) *done = total;
      return false;
    }
    if (put == 0) {
      SetLastError(err::kDiskFull);
      if (done != nullptr) *done = total;
      return false;
    }
    total += static_cast<std::uint32_t>(put);
  }
  if (done != nullptr) *done = total;
  if (writable < bytes) {
    SetLastError(err::kDiskFull);
    return false;
  }
  return true;
}

bool SeekFile(FileHandle file, std::uint64_t offset) {
  if (!ValidHandle(file)) return false;
  if (offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) {
    SetLastError(err::kNegativeSeek);
    return false;
  }
  if (lseek(Descriptor(file), static_cast<off_t>(offset), SEEK_SET) < 0) {
    SetLastErrorFromErrno(errno);
    return false;
  }
  return true;
}

bool SeekToEnd(FileHandle file) {
  if (!ValidHandle(file)) return false;
  if (lseek(Descriptor(file), 0, SEEK_END) < 0) {
    SetLastErrorFromErrno(errno);
    return false;
  }
  return true;
}

bool GetFileSize(FileHandle file, std::uint64_t* size) {
  if (!ValidHandle(file)) return false;
  struct stat info {};
  if (fstat(Descriptor(file), &info) != 0) {
    SetLastErrorFromErrno(errno);
    return false;
  }
  *size = static_cast<std::uint64_t>(info.st_size);
  return true;
}

bool GetDeviceSize(FileHandle file, std::uint64_t* size) {
  if (!ValidHandle(file)) return false;
  struct stat info {};
  if (fstat(Descriptor(file), &info) != 0) {
    SetLastErrorFromErrno(errno);
    return false;
  }
  if (!S_ISBLK(info.st_mode)) {
    *size = static_cast<std::uint64_t>(info.st_size);
    return true;
  }
#ifdef BLKGETSIZE64
  std::uint64_t bytes = 0;
  if (ioctl(Descriptor(file), BLKGETSIZE64, &bytes) == 0) {
    *size = bytes;
    return true;
  }
#endif
  // Without the control code, the end of the device is where a seek to the end lands.
  const off_t here = lseek(Descriptor(file), 0, SEEK_CUR);
  const off_t end = lseek(Descriptor(file), 0, SEEK_END);
  if (here < 0 || end < 0) {
    SetLastErrorFromErrno(errno);
    return false;
  }
  lseek(Descriptor(file), here, SEEK_SET);
  *size = static_cast<std::uint64_t>(end);
  return true;
}

bool GetDiskGeometry(FileHandle file, DiskGeometry* geometry) {
  // POSIX has no cylinder geometry worth the name: describe the device as one
  // sector per track and per cylinder, so the product is its sector count.
  std::uint64_t size = 0;
  if (!GetDeviceSize(file, &size)) return false;
  geometry->cylinders = static_cast<std::int64_t>(size / 512);
  geometry->mediaType = kFixedMedia;
  geometry->tracksPerCylinder = 1;
  geometry->sectorsPerTrack = 1;
  geometry->bytesPerSector = 512;
  return true;
}

bool GetVolumeTotalBytes(const WString& root, std::uint64_t* totalBytes) {
  const std::string path = ToNarrow(root);
  struct statvfs info {};
  if (statvfs(path.c_str(), &info) != 0) {
    SetLastErrorForPath(errno, path);
    return false;
  }
  *totalBytes = static_cast<std::uint64_t>(info.f_blocks) * info.f_frsize;
  return true;
}

bool SetFileTimes(FileHandle file, const FileTime* /*creation*/, const FileTime* access,
                  const FileTime* write) {
  if (!ValidHandle(file)) return false;
  const struct timespec times[2] = {ToTimespec(access), ToTimespec(write)};
  if (futimens(Descriptor(file), times) != 0) {
    SetLastErrorFromErrno(errno);
    return false;
  }
  return true;
}

bool GetFileTimes(const std::string& path, FileTime* creation, FileTime* access, FileTime* write) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    SetLastErrorForPath(errno, path);
    return false;
  }
  if (creation != nullptr) *creation = BirthTime(path);
  if (access != nullptr) *access = ToFileTime(info.st_atim);
  if (write != nullptr) *write = ToFileTime(info.st_mtim);
  return true;
}

bool DeleteFile(const std::string& path) {
  if (unlink(path.c_str()) != 0) {
    SetLastErrorForPath(errno, path);
    return false;
  }
  return true;
}

bool DeleteFile(const WString& path) { return DeleteFile(ToNarrow(path)); }

bool RenameFile(const std::string& from, const std::string& to) {
#ifdef RENAME_NOREPLACE
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
    SetLastErrorForPath(errno, to);
    return false;
  }
#endif
  // A file system without the no-replace rename: a hard link cannot replace
  // an existing name either; where links are refused too, the name is
  // checked just before a plain rename.
  if (link(from.c_str(), to.c_str()) == 0) {
    unlink(from.c_str());
    return true;
  }
  if (errno == EEXIST) {
    SetLastErrorFromErrno(errno);
    return false;
  }
  struct stat info {};
  if (lstat(to.c_str(), &info) == 0) {
    SetLastError(err::kFileExists);
    return false;
  }
  if (rename(from.c_str(), to.c_str()) != 0) {
    SetLastErrorForPath(errno, to);
    return false;
  }
  return true;
}

bool PathExists(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0;
}

bool IsDirectory(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool CreateDirectory(const std::string& path) {
  if (mkdir(path.c_str(), 0777) != 0) {
    const int error = errno;
    if (error == EEXIST) {
      SetLastError(err::kAlreadyExists);
    } else if (error == ENOENT) {
      SetLastError(err::kPathNotFound);  // mkdir misses only the parent folder
    } else {
      SetLastErrorFromErrno(error);
    }
    return false;
  }
  return true;
}

bool CreateDirectory(const WString& path) { return CreateDirectory(ToNarrow(path)); }

namespace {

// A file system in user space (an NTFS volume mounted through FUSE, say)
// gets an anonymous device number; the block device it reads is the mount's
// source in the mount table. Returns `device` itself when no mount with that
// number names a block device.
dev_t BackingDevice(dev_t device) {
  const std::string source = posix::MountSource(device);
  struct stat info {};
  if (!source.empty() && stat(source.c_str(), &info) == 0 && S_ISBLK(info.st_mode)) return info.st_rdev;
  return device;
}

}  // namespace

bool GetHostDeviceId(const std::string& path, std::uint64_t* deviceId) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    SetLastErrorForPath(errno, path);
    return false;
  }
  // Device numbers with major 0 are not block devices (FUSE, tmpfs, ...).
  *deviceId = static_cast<std::uint64_t>(major(info.st_dev) == 0 ? BackingDevice(info.st_dev) : info.st_dev);
  return true;
}

bool GetDeviceNodeId(const std::string& path, std::uint64_t* deviceId) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) {
    SetLastErrorForPath(errno, path);
    return false;
  }
  if (!S_ISBLK(info.st_mode)) {
    SetLastError(err::kInvalidParameter);
    return false;
  }
  *deviceId = static_cast<std::uint64_t>(info.st_rdev);
  return true;
}

}  // namespace tv::platform
