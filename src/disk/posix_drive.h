// The reader for POSIX systems: a block device or an image file, given by its
// path, opened read-only and sized by the device or the file.
#pragma once

#include <cstdint>
#include <vector>

#include "disk/physical_drive_nt.h"

namespace tv {

class CPosixDrive : public CPhysicalDriveNT {
 public:
  ~CPosixDrive() override;
  // There are no numbered disks or drive letters here: always -1.
  int OpenByNumber(std::uint8_t designator) override;
  // Opens the device or image file at `path`; -1 when it cannot be opened or
  // holds not even one sector.
  int OpenPath(const WString& path) override;
  void Close() override;

 protected:
  // Reads the sector past the system's cache, through a second handle opened
  // for uncached reads on the first retry: through the cache a bad sector
  // fails the whole page around it, and the good sectors there would be lost
  // with it. Where the system refuses uncached reads of the volume, the
  // sector is read through the cache as before.
  bool ReadRetrySector(std::uint64_t sector, void* place) override;

 private:
  // Opens the uncached handle once per opened volume; false when refused.
  bool OpenDirectReader();
  // Logs that the volume takes no uncached reads and keeps to the cache.
  void RefuseDirectReads();
  void CloseDirectReader();

  platform::FileHandle m_hDirect = platform::kInvalidFile;
  bool m_bDirectRefused = false;
  // Bytes of one uncached read (a multiple of the sector size) and the
  // aligned buffer it goes into, inside m_directBuffer.
  std::uint32_t m_nDirectUnit = 0;
  std::vector<std::uint8_t> m_directBuffer;
  std::uint8_t* m_pDirectUnit = nullptr;
};

}  // namespace tv
