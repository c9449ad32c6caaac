// A logical volume of the NT family opened by drive letter ("\\.\D:"): the
// reader the program uses for every scan. Sized from the volume's total bytes.
#pragma once

#include "disk/physical_drive_nt.h"

namespace tv {

class CLogicalDriveNT : public CPhysicalDriveNT {
 public:
  // The designator is a drive letter.
  int OpenByNumber(std::uint8_t designator) override;
  // A path that begins with a backslash is opened as it stands; anything else
  // ("D:") is made into a device path.
  int OpenPath(const WString& path) override;
};

}  // namespace tv
