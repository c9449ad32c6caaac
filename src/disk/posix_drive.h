// The reader for POSIX systems: a block device or an image file, given by its
// path, opened read-only and sized by the device or the file.
#pragma once

#include "disk/physical_drive_nt.h"

namespace tv {

class CPosixDrive : public CPhysicalDriveNT {
 public:
  // There are no numbered disks or drive letters here: always -1.
  int OpenByNumber(std::uint8_t designator) override;
  // Opens the device or image file at `path`; -1 when it cannot be opened or
  // holds not even one sector.
  int OpenPath(const WString& path) override;
};

}  // namespace tv
