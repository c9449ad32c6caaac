#include <cstdint>
#include <limits>

#include "platform/disk_full_seam.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/text.h"
#include "platform/win32/windows_api.h"

namespace tv::platform {

namespace {

using win32::ToHandle;
using win32::Wide;

// Paths from this length on may fail in the plain form (folders are limited
// to MAX_PATH minus room for an 8.3 name); the "\\?\" form reaches 32,767
// characters. That form takes no relative parts and no forward slashes, so
// the path is made full first.
constexpr std::size_t kPlainPathLimit = MAX_PATH - 12;

WString LongPathForm(const WString& path) {
  if (path.size() < kPlainPathLimit) return path;
  const auto prefixed = [&](const char16_t* prefix) { return path.compare(0, 4, prefix) == 0; };
  if (prefixed(u"\\\\?\\") || prefixed(u"\\\\.\\")) return path;
  const DWORD needed = ::GetFullPathNameW(Wide(path), 0, nullptr, nullptr);
  if (needed == 0) return path;
  WString full(needed, u'\0');
  const DWORD length = ::GetFullPathNameW(Wide(path), needed, reinterpret_cast<wchar_t*>(full.data()), nullptr);
  if (length == 0 || length >= needed) return path;
  full.resize(length);
  if (full.compare(0, 2, u"\\\\") == 0) return u"\\\\?\\UNC\\" + full.substr(2);
  return u"\\\\?\\" + full;
}

DWORD AccessRights(Access access) {
  switch (access) {
    case Access::Read:
      return GENERIC_READ;
    case Access::Write:
      return GENERIC_WRITE;
    case Access::ReadWrite:
      return GENERIC_READ | GENERIC_WRITE;
  }
  return GENERIC_READ;
}

DWORD CreationDisposition(Disposition disposition) {
  switch (disposition) {
    case Disposition::CreateNew:
      return CREATE_NEW;
    case Disposition::CreateAlways:
      return CREATE_ALWAYS;
    case Disposition::OpenExisting:
      return OPEN_EXISTING;
    case Disposition::OpenAlways:
      return OPEN_ALWAYS;
  }
  return OPEN_EXISTING;
}

FileHandle FromHandle(HANDLE handle) {
  return handle == INVALID_HANDLE_VALUE ? kInvalidFile : reinterpret_cast<FileHandle>(handle);
}

// The serial number of the volume that holds `path`.
bool VolumeSerial(const std::string& path, std::uint64_t* serial) {
  const WString wide = ToWide(path);
  wchar_t root[MAX_PATH + 1] = {};
  if (!::GetVolumePathNameW(Wide(wide), root, MAX_PATH)) return false;
  DWORD number = 0;
  if (!::GetVolumeInformationW(root, nullptr, 0, &number, nullptr, nullptr, nullptr, 0)) return false;
  *serial = number;
  return true;
}

}  // namespace

FileHandle OpenFile(const std::string& path, const OpenMode& mode) { return OpenFile(ToWide(path), mode); }

FileHandle OpenFile(const WString& path, const OpenMode& mode) {
  DWORD share = 0;
  if (mode.shareRead) share |= FILE_SHARE_READ;
  if (mode.shareWrite) share |= FILE_SHARE_WRITE;
  const FileHandle file = FromHandle(::CreateFileW(Wide(LongPathForm(path)), AccessRights(mode.access), share, nullptr,
                                                   CreationDisposition(mode.disposition), FILE_ATTRIBUTE_NORMAL,
                                                   nullptr));
  if (file != kInvalidFile) {
    const DWORD error = ::GetLastError();  // keeps ERROR_ALREADY_EXISTS for the caller
    seam::NoteOpenedFile(ToNarrow(path), file, mode.access);
    ::SetLastError(error);
  }
  return file;
}

FileHandle OpenDeviceForRead(const WString& path) {
  // Reading a volume needs no write access; sharing write lets it open while
  // the system has the volume mounted.
  return FromHandle(::CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
}

FileHandle OpenDeviceForDirectRead(const WString& path, std::uint32_t* unitBytes) {
  const FileHandle file = FromHandle(::CreateFileW(Wide(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                   nullptr, OPEN_EXISTING, FILE_FLAG_NO_BUFFERING, nullptr));
  if (file == kInvalidFile) return file;
  // Unbuffered reads go in whole sectors: the disk's own for a device, those
  // of the volume that holds it for a file.
  DiskGeometry geometry;
  wchar_t root[MAX_PATH + 1] = {};
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
  if (GetDiskGeometry(file, &geometry) && geometry.bytesPerSector != 0) {
    *unitBytes = geometry.bytesPerSector;
  } else if (::GetVolumePathNameW(Wide(path), root, MAX_PATH) &&
             ::GetDiskFreeSpaceW(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters) &&
             bytesPerSector != 0) {
    *unitBytes = bytesPerSector;
  } else {
    *unitBytes = kDirectReadAlignment;
  }
  return file;
}

void CloseFile(FileHandle file) {
  if (file != kInvalidFile) {
    seam::NoteClosedFile(file);
    ::CloseHandle(ToHandle(file));
  }
}

bool ReadFile(FileHandle file, void* buffer, std::uint32_t bytes, std::uint32_t* done) {
  DWORD transferred = 0;
  const BOOL ok = ::ReadFile(ToHandle(file), buffer, bytes, &transferred, nullptr);
  if (done != nullptr) *done = transferred;
  return ok != FALSE;
}

bool WriteFile(FileHandle file, const void* buffer, std::uint32_t bytes, std::uint32_t* done) {
  const std::uint32_t writable = seam::WritableBytes(file, bytes);
  DWORD transferred = 0;
  const BOOL ok = ::WriteFile(ToHandle(file), buffer, writable, &transferred, nullptr);
  if (done != nullptr) *done = transferred;
  if (ok != FALSE && writable < bytes) {
    ::SetLastError(ERROR_DISK_FULL);
    return false;
  }
  return ok != FALSE;
}

bool SeekFile(FileHandle file, std::uint64_t offset) {
  if (offset > static_cast<std::uint64_t>(std::numeric_limits<LONGLONG>::max())) {
    ::SetLastError(ERROR_NEGATIVE_SEEK);
    return false;
  }
  LARGE_INTEGER position;
  position.QuadPart = static_cast<LONGLONG>(offset);
  return ::SetFilePointerEx(ToHandle(file), position, nullptr, FILE_BEGIN) != FALSE;
}

bool SeekToEnd(FileHandle file) {
  LARGE_INTEGER zero;
  zero.QuadPart = 0;
  return ::SetFilePointerEx(ToHandle(file), zero, nullptr, FILE_END) != FALSE;
}

bool GetFileSize(FileHandle file, std::uint64_t* size) {
  LARGE_INTEGER bytes;
  if (!::GetFileSizeEx(ToHandle(file), &bytes)) return false;
  *size = static_cast<std::uint64_t>(bytes.QuadPart);
  return true;
}

bool GetDeviceSize(FileHandle file, std::uint64_t* size) {
  GET_LENGTH_INFORMATION length;
  DWORD returned = 0;
  if (::DeviceIoControl(ToHandle(file), IOCTL_DISK_GET_LENGTH_INFO, nullptr, 0, &length, sizeof length,
                        &returned, nullptr)) {
    *size = static_cast<std::uint64_t>(length.Length.QuadPart);
    return true;
  }
  // Not a disk or a volume: an image file, sized like any other file.
  return GetFileSize(file, size);
}

bool GetDiskGeometry(FileHandle file, DiskGeometry* geometry) {
  DISK_GEOMETRY disk;
  DWORD returned = 0;
  if (!::DeviceIoControl(ToHandle(file), IOCTL_DISK_GET_DRIVE_GEOMETRY, nullptr, 0, &disk, sizeof disk,
                         &returned, nullptr)) {
    return false;
  }
  geometry->cylinders = disk.Cylinders.QuadPart;
  geometry->mediaType = static_cast<std::uint32_t>(disk.MediaType);
  geometry->tracksPerCylinder = disk.TracksPerCylinder;
  geometry->sectorsPerTrack = disk.SectorsPerTrack;
  geometry->bytesPerSector = disk.BytesPerSector;
  return true;
}

bool GetVolumeTotalBytes(const WString& root, std::uint64_t* totalBytes) {
  ULARGE_INTEGER total;
  if (!::GetDiskFreeSpaceExW(Wide(root), nullptr, &total, nullptr)) return false;
  *totalBytes = total.QuadPart;
  return true;
}

bool SetFileTimes(FileHandle file, const FileTime* creation, const FileTime* access, const FileTime* write) {
  FILETIME parts[3];
  const FileTime* times[3] = {creation, access, write};
  const FILETIME* given[3] = {};
  for (int i = 0; i < 3; ++i) {
    if (times[i] == nullptr) continue;
    parts[i] = win32::ToFiletime(*times[i]);
    given[i] = &parts[i];
  }
  return ::SetFileTime(ToHandle(file), given[0], given[1], given[2]) != FALSE;
}

bool GetFileTimes(const std::string& path, FileTime* creation, FileTime* access, FileTime* write) {
  const WString wide = LongPathForm(ToWide(path));
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!::GetFileAttributesExW(Wide(wide), GetFileExInfoStandard, &data)) return false;
  if (creation != nullptr) *creation = win32::FromFiletime(data.ftCreationTime);
  if (access != nullptr) *access = win32::FromFiletime(data.ftLastAccessTime);
  if (write != nullptr) *write = win32::FromFiletime(data.ftLastWriteTime);
  return true;
}

bool DeleteFile(const std::string& path) { return DeleteFile(ToWide(path)); }

bool DeleteFile(const WString& path) { return ::DeleteFileW(Wide(LongPathForm(path))) != FALSE; }

bool RenameFile(const std::string& from, const std::string& to) {
  // Without MOVEFILE_REPLACE_EXISTING an existing target makes the move fail.
  if (::MoveFileExW(Wide(LongPathForm(ToWide(from))), Wide(LongPathForm(ToWide(to))), 0)) return true;
  if (::GetLastError() == ERROR_ALREADY_EXISTS) ::SetLastError(ERROR_FILE_EXISTS);
  return false;
}

bool PathExists(const std::string& path) {
  const WString wide = LongPathForm(ToWide(path));
  return ::GetFileAttributesW(Wide(wide)) != INVALID_FILE_ATTRIBUTES;
}

bool IsDirectory(const std::string& path) {
  const WString wide = LongPathForm(ToWide(path));
  const DWORD attributes = ::GetFileAttributesW(Wide(wide));
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool CreateDirectory(const std::string& path) { return CreateDirectory(ToWide(path)); }

bool CreateDirectory(const WString& path) {
  return ::CreateDirectoryW(Wide(LongPathForm(path)), nullptr) != FALSE;
}

// Windows callers compare drive letters; these serve the same check by the
// serial numbers of the volumes.
bool GetHostDeviceId(const std::string& path, std::uint64_t* deviceId) { return VolumeSerial(path, deviceId); }

bool GetDeviceNodeId(const std::string& path, std::uint64_t* deviceId) {
  // A volume's device path "\\.\D:" stands for the volume whose root is "D:\".
  std::string root = path;
  if (root.rfind("\\\\.\\", 0) == 0) root = root.substr(4);
  if (root.size() == 2 && root[1] == ':') root += '\\';
  return VolumeSerial(root, deviceId);
}

}  // namespace tv::platform
