// The reader of the NT family: owns the device handle and does the seeking
// and reading for every reader built on it. Opened by number it reads a whole
// physical disk ("\\.\PhysicalDriveN"), sized from the disk's geometry.
#pragma once

#include "disk/disk_drive.h"

namespace tv {

class CPhysicalDriveNT : public CDiskDrive {
 public:
  CPhysicalDriveNT() = default;
  ~CPhysicalDriveNT() override;

  int OpenByNumber(std::uint8_t designator) override;
  // A path that begins with a backslash is opened as it stands; anything else
  // is taken as the number of a physical disk.
  int OpenPath(const WString& path) override;
  // Opens an image file read-only and sizes the drive by the file; an empty
  // file gives -1.
  int OpenImageFile(const WString& path) override;
  // Closes the handle; a closed drive refuses every seek.
  void Close() override;
  int Seek(std::uint64_t sector) override;
  int ReadRaw(void* buffer, std::uint32_t count, std::uint32_t* countOut) override;
  // Reports success and writes nothing: a scanned volume is never changed.
  int WriteRaw(const void* buffer, std::uint32_t count, std::uint32_t* countOut) override;

 protected:
  // Opens devicePath read-only with the log lines every reader shares;
  // false (with the error logged) when the system refuses it.
  bool OpenDevice(const char* attemptFormat);
};

}  // namespace tv
