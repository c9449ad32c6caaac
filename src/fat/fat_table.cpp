#include "fat/fat_table.h"

#include <unordered_set>
#include <utility>

#include "log/log.h"
#include "parser/file_system_parser.h"

namespace tv::fat {
namespace {

// FAT12 packs two 12-bit entries into three bytes: the entry at an even index
// is the low 12 bits of the u16 at index * 3 / 2, the one at an odd index the
// high 12 bits of the u16 there.
std::uint32_t DecodeFat12(LeReader& table, std::uint32_t index) {
  const std::uint64_t offset = std::uint64_t{index} * 3 / 2;
  const std::uint16_t pair = table.U16(static_cast<std::size_t>(offset));
  return (index & 1) != 0 ? pair >> 4 : pair & 0x0FFFu;
}

std::uint32_t DecodeFat16(LeReader& table, std::uint32_t index) {
  return table.U16(std::size_t{index} * 2);
}

// The upper four bits of a FAT32 entry are reserved but kept: a value with
// them set is simply larger than any cluster.
std::uint32_t DecodeFat32(LeReader& table, std::uint32_t index) {
  return table.U32(std::size_t{index} * 4);
}

// A chain of runs that covers this many bytes ends, whatever the table says.
constexpr std::uint64_t kMaxExtentBytes = std::uint64_t{1} << 31;

}  // namespace

const FatVariant kFat12Variant{kFsFat12, 0xFF8, 3, 2, 2, DecodeFat12, false, "FAT12"};
const FatVariant kFat16Variant{kFsFat16, 0xFFFF, 2, 1, 2, DecodeFat16, false, "FAT16"};
const FatVariant kFat32Variant{kFsFat32, 0x0FFFFFFF, 4, 1, 0, DecodeFat32, true, "FAT32"};

void FatTable::SetVariant(const FatVariant& variant) {
  m_variant = &variant;
  const std::uint64_t entries = EntryCount();
  m_nMaxCluster = entries > m_variant->reservedEntries
                      ? static_cast<std::uint32_t>(entries - m_variant->reservedEntries)
                      : 0;
}

void FatTable::Load(std::uint32_t fatBytes, std::vector<std::uint8_t> first,
                    std::vector<std::uint8_t> second) {
  m_nFatBytes = fatBytes;
  m_firstFat = std::move(first);
  m_secondFat = std::move(second);
  SetVariant(*m_variant);
}

// fatBytes divided by the bytes per entry, truncated.
std::uint64_t FatTable::EntryCount() const {
  return std::uint64_t{m_nFatBytes} * m_variant->entryBytesDenominator /
         m_variant->entryBytesNumerator;
}

const std::vector<std::uint8_t>& FatTable::Copy(FatCopy copy) const {
  return copy == FatCopy::Second && !m_secondFat.empty() ? m_secondFat : m_firstFat;
}

std::uint32_t FatTable::Entry(FatCopy copy, std::uint32_t index) const {
  // index * bytesPerEntry >= fatBytes, in integers.
  if (std::uint64_t{index} * m_variant->entryBytesNumerator >=
      std::uint64_t{m_nFatBytes} * m_variant->entryBytesDenominator) {
    return 0;
  }
  // The reader keeps a short or missing copy from being read past its end.
  LeReader table(Copy(copy));
  const std::uint32_t value = m_variant->decode(table, index);
  return table.ok() ? value : 0;
}

std::uint32_t FatTable::CountRun(std::uint32_t start, std::uint32_t& next) const {
  const std::uint32_t last = m_variant->lastCluster;
  std::uint32_t count = 1;
  if (start >= last) return count;
  // `cur` rises by one per step and stays at most MaxCluster(), so the walk
  // ends after at most MaxCluster() steps.
  std::uint32_t cur = start;
  for (;;) {
    next = Entry(FatCopy::First, cur);
    if (m_variant->wideClusterNumbers) {
      const std::uint32_t alt = Entry(FatCopy::Second, cur);
      if (alt != next) {
        Log().Error("THE DIFFERENCE BETWEEN FAT TABLES FOUND");
        if (alt == last || alt == cur + 1) next = alt;
      }
    }
    if (next == cur) next = 0;
    if (next > m_nMaxCluster || next == 0) return count;
    if (next != cur + 1) return count;
    if (next >= last) return count;
    ++count;
    cur = next;
  }
}

ExtentList FatTable::BuildExtentList(std::uint32_t start, std::uint32_t clusterBytes) const {
  ExtentList list;
  if (!HasFirstCopy()) {
    list.extents.push_back({1, start});
    list.clusterCount = 1;
    return list;
  }
  // A chain holds each cluster once, so a run that starts where an earlier
  // run started means the chain loops; every lap of a loop starts a run at
  // the same clusters, so this ends a loop within two laps.
  std::unordered_set<std::uint32_t> runStarts;
  std::uint32_t pos = start;
  std::uint32_t next = 0;
  while (pos <= m_nMaxCluster) {
    if (!runStarts.insert(pos).second) {
      Log().Format("Cluster chain from %u loops at cluster %u", start, pos);
      break;
    }
    const std::uint32_t count = CountRun(pos, next);
    if (count == 0) break;
    list.extents.push_back({count, pos});
    list.clusterCount += count;
    if (list.extents.size() * std::uint64_t{clusterBytes} >= kMaxExtentBytes) break;
    if (next < 2 || next == pos) break;
    pos = next;
  }
  return list;
}

bool FatTable::GetClusters(std::uint32_t start, std::uint32_t maxSuccessors,
                           std::vector<std::uint32_t>& list) const {
  const std::uint32_t last = m_variant->lastCluster;
  if (start < 2 || start > last) {
    Log().Format("GetClusters: m_nLastCluster -> %u", last);
    return false;
  }
  list.clear();
  list.push_back(start);
  // Bounded by maxSuccessors: a chain that loops repeats its clusters until
  // the list is as long as the caller can use.
  std::uint32_t cur = start;
  std::uint32_t successors = 0;
  while (cur < last) {
    const std::uint32_t next = Entry(FatCopy::First, cur);
    if (next == cur || next >= last || successors >= maxSuccessors || next <= 2) break;
    list.push_back(next);
    ++successors;
    cur = next;
  }
  return true;
}

}  // namespace tv::fat
