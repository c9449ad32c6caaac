// Sector access to a volume: every read of a scanned volume goes through a
// CDiskDrive. Sectors are 512 bytes in every reader. Readers only read: the
// write operations report their fixed result and touch nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/files.h"
#include "platform/types.h"

namespace tv {

// Results of the read operations.
inline constexpr int kReadOk = 1;
inline constexpr int kReadNoBuffer = -1;
inline constexpr int kReadSectorFailed = -3;
// The first sector asked for lies at or beyond the end of the device.
inline constexpr int kReadOutOfRange = static_cast<int>(0x8000000Bu);

inline constexpr std::uint32_t kSectorSize = 512;
inline constexpr unsigned kSectorShift = 9;
// One raw read moves at most this many sectors: its byte count must fit in
// the 32 bits that the system's read call takes.
inline constexpr std::uint32_t kMaxSectorsPerRead = 0xFFFFFFFFu >> kSectorShift;

class CDiskDrive {
 public:
  CDiskDrive() = default;
  CDiskDrive(const CDiskDrive&) = delete;
  CDiskDrive& operator=(const CDiskDrive&) = delete;

  virtual platform::FileHandle GetHandle() const;
  // Takes over an open handle (closing the current one); 0 when it is invalid.
  virtual int AttachHandle(platform::FileHandle* handle);
  virtual ~CDiskDrive();
  // Physical disk number or drive letter; 0 on success, -1 on failure.
  virtual int OpenByNumber(std::uint8_t designator) = 0;
  // 0 on success, -1 on failure.
  virtual int OpenPath(const WString& path) = 0;
  // Opens a file that holds a volume image; 0 on success, -1 on failure.
  virtual int OpenImageFile(const WString& path) = 0;
  virtual void Close() = 0;
  // 1 when the sector lies inside the device, else 0 (nothing moves).
  virtual int Seek(std::uint64_t sector) = 0;
  // Reads `count` sectors at the current position. The result is 1 when the
  // system read succeeded (countOut, when given, receives the whole sectors
  // delivered, which may be fewer at the end of a file), 0 when it failed and
  // kReadNoBuffer without a buffer.
  virtual int ReadRaw(void* buffer, std::uint32_t count, std::uint32_t* countOut) = 0;
  // Writes nothing in every reader; the result says what the reader reports.
  virtual int WriteRaw(const void* buffer, std::uint32_t count, std::uint32_t* countOut) = 0;
  // Seek, then WriteRaw; kReadOutOfRange when the seek is refused.
  virtual int SeekAndWrite(std::uint64_t sector, const void* buffer, std::uint32_t count,
                           std::uint32_t* countOut);

  // Seek then ReadRaw, no retry: kReadOutOfRange when the seek is refused,
  // else the result of ReadRaw.
  int ReadAt(std::uint64_t sector, void* buffer, std::uint32_t count, std::uint32_t* countOut);
  // The careful read. A request that runs past the end of the device is
  // shortened to its last sector; one that starts at or beyond the end gives
  // kReadOutOfRange. A failed bulk read is retried sector by sector: every
  // unreadable sector is logged and zeroed, the readable ones are kept, and
  // the result is kReadSectorFailed when any sector failed, else kReadOk.
  // countOut, when given, receives the number of sectors actually read.
  int ReadSectors(std::uint64_t sector, void* buffer, std::uint32_t count, std::uint32_t* countOut);
  // Sectors (absolute, ascending) that the last ReadSectors call could not read;
  // empty when it read everything it was asked for (also after a shortened read at the end).
  const std::vector<std::uint64_t>& LastUnreadableSectors() const;

  std::uint64_t TotalSectors() const { return m_nTotalSectors; }
  const WString& DevicePath() const { return m_devicePath; }

 protected:
  // One sector of the sector-by-sector retry of ReadSectors into `place`
  // (512 bytes); true when it was read. Seek then ReadRaw here; a reader
  // whose system can read past its own cache does so.
  virtual bool ReadRetrySector(std::uint64_t sector, void* place);

  std::uint32_t m_nTransferred = 0;
  platform::FileHandle m_hDevice = platform::kInvalidFile;
  WString m_devicePath;
  std::uint64_t m_nTotalSectors = 0;
  std::vector<std::uint64_t> m_unreadableSectors;
};

enum class DriveKind { Physical = 0, Logical = 1 };

// Creates the reader for this platform: kind 0 a physical disk, kind 1 a
// logical volume (on POSIX both are a block device or an image file). The
// result is -1 for any other kind, else 0; a drive that could not be
// allocated leaves `drive` empty. The caller owns the drive.
int CreateDiskDrive(int kind, std::unique_ptr<CDiskDrive>* drive);

}  // namespace tv
