// Files and devices: the only file I/O the engine does.
#pragma once

#include <cstdint>
#include <string>

#include "platform/types.h"

namespace tv::platform {

// An open file or device: a HANDLE on Windows, a descriptor on POSIX.
using FileHandle = std::intptr_t;
inline constexpr FileHandle kInvalidFile = -1;

enum class Access { Read, Write, ReadWrite };
enum class Disposition { CreateNew, CreateAlways, OpenExisting, OpenAlways };

struct OpenMode {
  Access access = Access::Read;
  Disposition disposition = Disposition::OpenExisting;
  bool shareRead = true;
  bool shareWrite = false;
};

// Paths are narrow (UTF-8) or UTF-16. On failure the result is kInvalidFile
// and GetLastError() tells why (see ClassifyError). On success with
// CreateAlways or OpenAlways, GetLastError() is err::kAlreadyExists when the
// file was there before, else 0. Folders do not open as files. POSIX has no
// share modes; the share flags matter on Windows only.
FileHandle OpenFile(const std::string& path, const OpenMode& mode);
FileHandle OpenFile(const WString& path, const OpenMode& mode);

// Opens a volume, a disk or an image file for reading only: nothing can be
// written through the handle.
FileHandle OpenDeviceForRead(const WString& path);

// Opens a volume, a disk or an image file for reads that bypass the system's
// cache (O_DIRECT, FILE_FLAG_NO_BUFFERING), so that a failing read fails for
// the unreadable sectors alone rather than for a whole cached page around
// them. Every read through the handle must start at a multiple of
// `unitBytes` (the device's logical sector size; 512 for a file), be a whole
// number of units long and go into a buffer aligned to
// max(unitBytes, kDirectReadAlignment). kInvalidFile when the system refuses
// uncached reads of it (a file on tmpfs, for one).
inline constexpr std::uint32_t kDirectReadAlignment = 4096;
FileHandle OpenDeviceForDirectRead(const WString& path, std::uint32_t* unitBytes);

void CloseFile(FileHandle file);

// Reads/writes up to `bytes`; `done` receives the count transferred.
bool ReadFile(FileHandle file, void* buffer, std::uint32_t bytes, std::uint32_t* done);
bool WriteFile(FileHandle file, const void* buffer, std::uint32_t bytes, std::uint32_t* done);

bool SeekFile(FileHandle file, std::uint64_t offset);
bool SeekToEnd(FileHandle file);

// Size of an open regular file.
bool GetFileSize(FileHandle file, std::uint64_t* size);
// Size of an open block device or, for a regular file, its size.
bool GetDeviceSize(FileHandle file, std::uint64_t* size);

// Disk geometry of an opened disk or volume (the drive-geometry control code);
// the product cylinders x tracks x sectors gives the sector count.
struct DiskGeometry {
  std::int64_t cylinders = 0;
  std::uint32_t mediaType = 0;
  std::uint32_t tracksPerCylinder = 0;
  std::uint32_t sectorsPerTrack = 0;
  std::uint32_t bytesPerSector = 0;
};
bool GetDiskGeometry(FileHandle file, DiskGeometry* geometry);

// Total bytes of the volume whose root is given ("D:\" on Windows; any path
// on the file system on POSIX).
bool GetVolumeTotalBytes(const WString& root, std::uint64_t* totalBytes);

// Creation, last-access and last-write times; a null pointer leaves that time.
// POSIX has no settable creation time; it is ignored there, and read back as
// the birth time where the file system keeps one, else 0 (unknown).
bool SetFileTimes(FileHandle file, const FileTime* creation, const FileTime* access,
                  const FileTime* write);
bool GetFileTimes(const std::string& path, FileTime* creation, FileTime* access, FileTime* write);

bool DeleteFile(const std::string& path);
bool DeleteFile(const WString& path);
// Gives a file another name in the same file system. An existing file at
// `to` is never replaced: the result is then false with err::kFileExists.
bool RenameFile(const std::string& from, const std::string& to);
bool PathExists(const std::string& path);
bool IsDirectory(const std::string& path);

// Creates one folder. When it exists already the result is false with
// GetLastError() == err::kAlreadyExists, as on Windows.
bool CreateDirectory(const std::string& path);
bool CreateDirectory(const WString& path);
// Creates a folder with every missing folder above it; true when the folder
// exists afterwards (also when it was there already), else false with
// GetLastError() telling why the last level could not be made.
bool CreateDirectoryPath(const std::string& path);

// Identity of the device that holds a path, and of the device a block-device
// node stands for, so that a destination on the scanned device can be refused.
// A block-device node is required by GetDeviceNodeId on POSIX; a file system
// mounted in user space counts as held by the block device it reads. Windows
// callers compare drive letters; there both answer the volume's serial number.
bool GetHostDeviceId(const std::string& path, std::uint64_t* deviceId);
bool GetDeviceNodeId(const std::string& path, std::uint64_t* deviceId);

#ifndef _WIN32
// True when writing under `folder` (which exists) can change the volume at
// `volumePath`, a block device or an image file: the folder's file system
// lives on that device, on a partition of it or a device mapped onto it, on
// a loop device over that image (or over the file that the scanned loop
// device reads), or in a file system mounted from any of these, the image
// itself included. A mount that names neither a device nor a file proves
// nothing and does not count. Windows compares drive letters instead.
bool SameVolumeAs(const std::string& volumePath, const std::string& folder);
#endif

}  // namespace tv::platform
