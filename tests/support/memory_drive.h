// A drive over a volume image held in memory, with sectors that can be made
// unreadable: a raw read that covers a bad sector fails, as a failing disk's
// does, while single reads of the good sectors around it still work. Tests
// and fuzzers of the parsers read their volumes through it.
#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <vector>

#include "disk/disk_drive.h"

namespace tv::testing {

class MemoryDrive : public CDiskDrive {
 public:
  // The image is padded with zeros to whole sectors; the drive is open.
  explicit MemoryDrive(std::vector<std::uint8_t> image);

  void AddBadSector(std::uint64_t sector) { m_badSectors.insert(sector); }
  const std::vector<std::uint8_t>& Image() const { return m_image; }
  // Raw reads made so far, each with its first sector and count.
  struct RawRead {
    std::uint64_t sector;
    std::uint32_t count;
  };
  const std::vector<RawRead>& RawReads() const { return m_rawReads; }
  // Called before every raw read with its number (0, 1, 2, ...): a test can
  // press Stop in the middle of a scan or a recovery from here.
  void OnRawRead(std::function<void(std::size_t readNumber)> hook) { m_onRawRead = std::move(hook); }

  // Memory drives are made from their image, never opened: always -1.
  int OpenByNumber(std::uint8_t designator) override;
  int OpenPath(const WString& path) override;
  int OpenImageFile(const WString& path) override;
  void Close() override;
  int Seek(std::uint64_t sector) override;
  // Fails (0, nothing delivered) when the run holds a bad sector; a run past
  // the end delivers the sectors up to the end.
  int ReadRaw(void* buffer, std::uint32_t count, std::uint32_t* countOut) override;
  int WriteRaw(const void* buffer, std::uint32_t count, std::uint32_t* countOut) override;

 private:
  std::vector<std::uint8_t> m_image;
  std::set<std::uint64_t> m_badSectors;
  std::vector<RawRead> m_rawReads;
  std::function<void(std::size_t)> m_onRawRead;
  std::uint64_t m_nPosition = 0;
};

}  // namespace tv::testing
