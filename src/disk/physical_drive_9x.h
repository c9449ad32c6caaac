// The reader of the 9x family, which has no raw volume handles: it keeps the
// position itself and reads through a device call of at most 64 sectors at a
// time. This base reads nothing itself; CLogicalDrive9x supplies the device
// read. Physical disks are not opened on this family.
#pragma once

#include <cstdint>

#include "disk/disk_drive.h"

namespace tv {

// The most sectors one device read of the 9x family moves.
inline constexpr std::uint32_t kSectorsPerDeviceRead = 64;

class CPhysicalDrive9x : public CDiskDrive {
 public:
  CPhysicalDrive9x() = default;
  ~CPhysicalDrive9x() override;

  // Physical disks are not opened on this family: -1.
  int OpenByNumber(std::uint8_t designator) override;
  // Reads a decimal number (0..255) from the text and opens by it; -1 for
  // any other text.
  int OpenPath(const WString& path) override;
  // Image files are not read by this reader: -1, nothing opened.
  int OpenImageFile(const WString& path) override;
  void Close() override;
  // Sets the position when the sector lies below the end (1), else leaves it
  // where it was (0).
  int Seek(std::uint64_t sector) override;
  // Reads `count` sectors at the position, shortened to the end of the
  // volume, in device reads of up to 64 sectors. Every piece is read at its
  // own sector, so a piece that fails leaves zeros in its part of the buffer
  // and the pieces after it are still read. 1 when every piece was read, 0
  // when any failed or no device is open; countOut gets the sectors read.
  int ReadRaw(void* buffer, std::uint32_t count, std::uint32_t* countOut) override;
  // Writes nothing and reports failure: 0.
  int WriteRaw(const void* buffer, std::uint32_t count, std::uint32_t* countOut) override;
  // One device read of up to 64 sectors at the position, inside the volume;
  // on success (1) the position moves past them. This base has no device: 0.
  virtual int ReadAtPosition(void* buffer, std::uint32_t count, std::uint32_t* countOut);

  std::uint64_t Position() const { return m_nPosition; }
  // Result of the last device call (1 = success); a seek resets it to 0.
  int LastStatus() const { return m_nLastStatus; }

 protected:
  // True while a device is open to read from.
  virtual bool DeviceOpen() const { return false; }

  std::uint16_t m_nSectorSize = kSectorSize;
  std::uint64_t m_nPosition = 0;
  int m_nLastStatus = 0;
};

}  // namespace tv
