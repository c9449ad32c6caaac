#include <new>

#include "disk/disk_drive.h"
#include "disk/drive_factory.h"
#include "disk/logical_drive_9x.h"
#include "disk/logical_drive_nt.h"
#include "disk/physical_drive_9x.h"
#include "disk/physical_drive_nt.h"
#include "disk/posix_drive.h"

#ifdef _WIN32
#include "platform/win32/windows_api.h"
#endif

namespace tv {

namespace {

bool IsKnownKind(int kind) {
  return kind == static_cast<int>(DriveKind::Physical) ||
         kind == static_cast<int>(DriveKind::Logical);
}

CDiskDrive* NewWindowsDrive(DriveKind kind, std::uint32_t version) {
  // The 9x family has no raw volume handles; its readers go through the DOS
  // disk services instead.
  if (IsWindows9xVersion(version)) {
    if (kind == DriveKind::Physical) return new (std::nothrow) CPhysicalDrive9x();
    return new (std::nothrow) CLogicalDrive9x();
  }
  if (kind == DriveKind::Physical) return new (std::nothrow) CPhysicalDriveNT();
  return new (std::nothrow) CLogicalDriveNT();
}

}  // namespace

int CreateWindowsDiskDrive(int kind, std::uint32_t version, std::unique_ptr<CDiskDrive>* drive) {
  if (!IsKnownKind(kind)) return -1;
  if (drive != nullptr) drive->reset(NewWindowsDrive(static_cast<DriveKind>(kind), version));
  return 0;
}

int CreateDiskDrive(int kind, std::unique_ptr<CDiskDrive>* drive) {
#ifdef _WIN32
  return CreateWindowsDiskDrive(kind, ::GetVersion(), drive);
#else
  if (!IsKnownKind(kind)) return -1;
  // A block device or an image file serves for both kinds.
  if (drive != nullptr) drive->reset(new (std::nothrow) CPosixDrive());
  return 0;
#endif
}

}  // namespace tv
