#include "tiny_volume.h"

#include <algorithm>
#include <cstring>

#include "support/memory_drive.h"

namespace tv::testing {
namespace {

void Put16(Bytes& bytes, std::size_t at, std::uint32_t value) {
  bytes[at] = static_cast<std::uint8_t>(value);
  bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}
void Put32(Bytes& bytes, std::size_t at, std::uint32_t value) {
  Put16(bytes, at, value & 0xFFFF);
  Put16(bytes, at + 2, value >> 16);
}

constexpr std::size_t kDataStart = 3 * 512;

std::size_t ClusterOffset(std::uint32_t cluster) { return kDataStart + (cluster - 2) * std::size_t{512}; }

}  // namespace

Bytes DirEntry(const std::string& name11, std::uint8_t attributes, std::uint32_t cluster,
               std::uint32_t size, std::uint16_t creationDate) {
  Bytes entry(32, 0);
  std::memcpy(entry.data(), name11.data(), std::min<std::size_t>(11, name11.size()));
  entry[11] = attributes;
  Put16(entry, 14, 0x5000);  // 10:00:00
  Put16(entry, 16, creationDate);
  Put16(entry, 22, 0x5000);
  Put16(entry, 24, 0x52CF);  // 2021-06-15
  Put16(entry, 26, cluster & 0xFFFF);
  Put32(entry, 28, size);
  return entry;
}

Bytes DotEntry(std::uint32_t cluster) { return DirEntry(".          ", 0x10, cluster, 0); }
Bytes DotDotEntry(std::uint32_t parentCluster) { return DirEntry("..         ", 0x10, parentCluster, 0); }

TinyVolume::TinyVolume(bool fat16) : m_image(kTinySectors * 512, 0), m_bFat16(fat16) {
  Bytes& b = m_image;
  b[0] = 0xEB;
  b[1] = 0x3C;
  b[2] = 0x90;
  Put16(b, 11, 512);
  b[13] = 1;       // sectors per cluster
  Put16(b, 14, 1);  // reserved
  b[16] = 1;        // FAT copies
  Put16(b, 17, 16);  // root entries
  Put16(b, 19, kTinySectors);
  b[21] = 0xF8;
  Put16(b, 22, 1);  // sectors per FAT
  std::memcpy(b.data() + 54, fat16 ? "FAT16   " : "FAT12   ", 8);
  b[510] = 0x55;
  b[511] = 0xAA;
  SetFat(0, fat16 ? 0xFFF8 : 0xFF8);
  SetFat(1, fat16 ? 0xFFFF : 0xFFF);
}

void TinyVolume::SetFat(std::uint32_t index, std::uint32_t value) {
  const std::size_t fat = 512;
  if (m_bFat16) {
    Put16(m_image, fat + index * 2, value);
    return;
  }
  const std::size_t at = fat + index * 3 / 2;
  std::uint32_t pair = m_image[at] | (m_image[at + 1] << 8);
  pair = (index & 1) ? ((pair & 0x000F) | (value << 4)) : ((pair & 0xF000) | value);
  Put16(m_image, at, pair);
}

void TinyVolume::RootSlot(std::size_t slot, const Bytes& entry) {
  std::copy(entry.begin(), entry.end(), m_image.begin() + kTinyRootSector * 512 + slot * 32);
}

void TinyVolume::ClusterSlot(std::uint32_t cluster, std::size_t slot, const Bytes& entry) {
  std::copy(entry.begin(), entry.end(), m_image.begin() + ClusterOffset(cluster) + slot * 32);
}

void TinyVolume::FillCluster(std::uint32_t cluster, std::uint8_t value) {
  std::fill_n(m_image.begin() + ClusterOffset(cluster), 512, value);
}

void TinyVolume::Directory(std::uint32_t cluster, std::uint32_t parentCluster, const std::vector<Bytes>& entries) {
  ClusterSlot(cluster, 0, DotEntry(cluster));
  ClusterSlot(cluster, 1, DotDotEntry(parentCluster));
  for (std::size_t i = 0; i < entries.size(); ++i) ClusterSlot(cluster, i + 2, entries[i]);
}

std::unique_ptr<CFAT12Parser> TinyVolume::Parser(const std::set<std::uint64_t>& badSectors) const {
  auto drive = std::make_unique<MemoryDrive>(m_image);
  for (std::uint64_t sector : badSectors) drive->AddBadSector(sector);
  const Bytes boot(m_image.begin(), m_image.begin() + 512);
  if (m_bFat16) return std::make_unique<CFAT16Parser>(std::move(drive), boot);
  return std::make_unique<CFAT12Parser>(std::move(drive), boot);
}

}  // namespace tv::testing
