#include <new>

#include "disk/disk_drive.h"
#include "disk/logical_drive_nt.h"
#include "disk/physical_drive_nt.h"
#include "disk/posix_drive.h"

namespace tv {

namespace {

CDiskDrive* NewDrive(DriveKind kind) {
#ifdef _WIN32
  // The NT readers serve every Windows this program runs on. The 9x family
  // (the top bit of GetVersion) has no raw volume handles and no reader here,
  // so no version test is made: a 9x system gets the NT readers too, and
  // their opens fail there.
  if (kind == DriveKind::Physical) return new (std::nothrow) CPhysicalDriveNT();
  return new (std::nothrow) CLogicalDriveNT();
#else
  // A block device or an image file serves for both kinds.
  (void)kind;
  return new (std::nothrow) CPosixDrive();
#endif
}

}  // namespace

int CreateDiskDrive(int kind, std::unique_ptr<CDiskDrive>* drive) {
  if (kind != static_cast<int>(DriveKind::Physical) &&
      kind != static_cast<int>(DriveKind::Logical)) {
    return -1;
  }
  if (drive != nullptr) drive->reset(NewDrive(static_cast<DriveKind>(kind)));
  return 0;
}

}  // namespace tv
