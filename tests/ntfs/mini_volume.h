// Small NTFS volumes built byte by byte in memory, for the cases that real
// tools cannot be made to produce: damaged records, parent loops, orphans,
// shared extension records, compressed units split over runs.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ntfs/ntfs_parser.h"
#include "support/memory_drive.h"

namespace tv::testing {

// One MFT record being built: header, then attributes appended in order.
class RecordBuilder {
 public:
  RecordBuilder(std::uint32_t number, bool inUse, bool directory = false);

  RecordBuilder& StandardInformation(std::uint32_t attributes = 0x20, std::uint64_t modified = 0x01D0000000000000);
  RecordBuilder& FileName(std::uint32_t parent, const std::u16string& name, std::uint8_t nameSpace = 1,
                          bool directory = false);
  RecordBuilder& ResidentData(const std::vector<std::uint8_t>& data);
  // A non-resident $DATA with the packed runs given (terminator added).
  RecordBuilder& NonResidentData(const std::vector<std::uint8_t>& runs, std::uint64_t size,
                                 std::uint16_t flags = 0, std::uint64_t startVcn = 0);
  // An $INDEX_ROOT holding only the end entry.
  RecordBuilder& EmptyIndexRoot();
  // A non-resident $INDEX_ALLOCATION with the packed runs given (terminator
  // added), for a directory whose entries lie in INDX blocks.
  RecordBuilder& IndexAllocation(const std::vector<std::uint8_t>& runs, std::uint64_t size);
  // A resident $ATTRIBUTE_LIST naming these (type, segment) pairs.
  RecordBuilder& AttributeList(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& entries);
  RecordBuilder& BaseRecord(std::uint32_t base);

  // The record as stored on disk: ends, sector ends moved into the update
  // sequence array.
  std::vector<std::uint8_t> Bytes() const;
  // The record as the parser sees it after the fixup.
  std::vector<std::uint8_t> FixedBytes() const;

 private:
  std::vector<std::uint8_t>& Attribute(std::uint32_t type, std::size_t length);
  RecordBuilder& NonResident(std::uint32_t type, const std::vector<std::uint8_t>& runs, std::uint64_t size,
                             std::uint16_t flags, std::uint64_t startVcn);
  std::vector<std::uint8_t> m_bytes;
  std::size_t m_next;
};

// A volume of 256 clusters of 4096 bytes: boot sector, an MFT of 64 records
// at cluster 4, the cluster bitmap at cluster 20 (clusters 0 to 31 in use),
// records 0, 5 and 6 filled in; user records and data are added by tests.
class MiniVolume {
 public:
  static constexpr std::uint32_t kClusterBytes = 4096;
  static constexpr std::uint32_t kClusters = 256;
  static constexpr std::uint32_t kRecords = 64;
  static constexpr std::uint32_t kFirstFreeCluster = 32;

  MiniVolume();

  void PutRecord(const RecordBuilder& record, std::uint32_t number);
  // Raw bytes at a record's place (damaged records).
  void PutRawRecord(std::uint32_t number, const std::vector<std::uint8_t>& bytes);
  void PutCluster(std::uint32_t cluster, const std::vector<std::uint8_t>& data);
  void MarkUsed(std::uint32_t cluster);
  std::vector<std::uint8_t>& Image() { return m_image; }

  // A parser over the image (the MemoryDrive can be told bad sectors first).
  std::unique_ptr<CNTFSParser> Parse(std::vector<std::uint64_t> badSectors = {}) const;

 private:
  std::vector<std::uint8_t> m_image;
};

// Packed run: `length` clusters at relative offset `offset` (0 = sparse).
std::vector<std::uint8_t> PackRun(std::uint64_t length, std::int64_t offset);

}  // namespace tv::testing
