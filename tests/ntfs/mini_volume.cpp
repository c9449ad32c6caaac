#include "mini_volume.h"

#include <cstring>

namespace tv::testing {
namespace {

void Put16(std::vector<std::uint8_t>& b, std::size_t at, std::uint16_t v) {
  b[at] = static_cast<std::uint8_t>(v);
  b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void Put64(std::vector<std::uint8_t>& b, std::size_t at, std::uint64_t v) {
  for (int i = 0; i < 8; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

constexpr std::uint16_t kUpdateSequenceNumber = 0x0007;

}  // namespace

std::vector<std::uint8_t> PackRun(std::uint64_t length, std::int64_t offset) {
  std::vector<std::uint8_t> lengthBytes;
  for (std::uint64_t v = length; v != 0 || lengthBytes.empty(); v >>= 8) lengthBytes.push_back(static_cast<std::uint8_t>(v));
  if (lengthBytes.back() & 0x80) lengthBytes.push_back(0);
  std::vector<std::uint8_t> offsetBytes;
  if (offset != 0) {
    std::int64_t v = offset;
    for (;;) {
      offsetBytes.push_back(static_cast<std::uint8_t>(v));
      const bool signBit = (offsetBytes.back() & 0x80) != 0;
      v >>= 8;
      if ((v == 0 && !signBit) || (v == -1 && signBit)) break;
    }
  }
  std::vector<std::uint8_t> run{static_cast<std::uint8_t>(lengthBytes.size() | (offsetBytes.size() << 4))};
  run.insert(run.end(), lengthBytes.begin(), lengthBytes.end());
  run.insert(run.end(), offsetBytes.begin(), offsetBytes.end());
  return run;
}

RecordBuilder::RecordBuilder(std::uint32_t number, bool inUse, bool directory) : m_bytes(1024, 0), m_next(0x38) {
  std::memcpy(m_bytes.data(), "FILE", 4);
  Put16(m_bytes, 0x04, 0x30);
  Put16(m_bytes, 0x06, 3);
  Put16(m_bytes, 0x14, 0x38);
  Put16(m_bytes, 0x16, static_cast<std::uint16_t>((inUse ? 1 : 0) | (directory ? 2 : 0)));
  Put32(m_bytes, 0x2C, number);
  Put32(m_bytes, m_next, 0xFFFFFFFF);
}

std::vector<std::uint8_t>& RecordBuilder::Attribute(std::uint32_t type, std::size_t length) {
  length = (length + 7) & ~std::size_t{7};
  Put32(m_bytes, m_next, type);
  Put32(m_bytes, m_next + 4, static_cast<std::uint32_t>(length));
  m_next += length;
  Put32(m_bytes, m_next, 0xFFFFFFFF);
  return m_bytes;
}

RecordBuilder& RecordBuilder::StandardInformation(std::uint32_t attributes, std::uint64_t modified) {
  const std::size_t at = m_next;
  Attribute(0x10, 0x18 + 0x48);
  Put32(m_bytes, at + 0x10, 0x48);
  Put16(m_bytes, at + 0x14, 0x18);
  Put64(m_bytes, at + 0x18, modified);
  Put64(m_bytes, at + 0x18 + 0x08, modified);
  Put32(m_bytes, at + 0x18 + 0x20, attributes);
  return *this;
}

RecordBuilder& RecordBuilder::FileName(std::uint32_t parent, const std::u16string& name, std::uint8_t nameSpace,
                                       bool directory) {
  const std::size_t at = m_next;
  const std::size_t value = 0x42 + 2 * name.size();
  Attribute(0x30, 0x18 + value);
  Put32(m_bytes, at + 0x10, static_cast<std::uint32_t>(value));
  Put16(m_bytes, at + 0x14, 0x18);
  const std::size_t v = at + 0x18;
  Put64(m_bytes, v, parent);
  Put32(m_bytes, v + 0x38, directory ? 0x10000000 : 0x20);
  m_bytes[v + 0x40] = static_cast<std::uint8_t>(name.size());
  m_bytes[v + 0x41] = nameSpace;
  for (std::size_t i = 0; i < name.size(); ++i) Put16(m_bytes, v + 0x42 + 2 * i, name[i]);
  return *this;
}

RecordBuilder& RecordBuilder::ResidentData(const std::vector<std::uint8_t>& data) {
  const std::size_t at = m_next;
  Attribute(0x80, 0x18 + data.size());
  Put32(m_bytes, at + 0x10, static_cast<std::uint32_t>(data.size()));
  Put16(m_bytes, at + 0x14, 0x18);
  std::memcpy(m_bytes.data() + at + 0x18, data.data(), data.size());
  return *this;
}

RecordBuilder& RecordBuilder::NonResidentData(const std::vector<std::uint8_t>& runs, std::uint64_t size,
                                              std::uint16_t flags, std::uint64_t startVcn) {
  return NonResident(0x80, runs, size, flags, startVcn);
}

RecordBuilder& RecordBuilder::IndexAllocation(const std::vector<std::uint8_t>& runs, std::uint64_t size) {
  return NonResident(0xA0, runs, size, 0, 0);
}

RecordBuilder& RecordBuilder::NonResident(std::uint32_t type, const std::vector<std::uint8_t>& runs,
                                          std::uint64_t size, std::uint16_t flags, std::uint64_t startVcn) {
  const std::size_t at = m_next;
  const std::size_t header = (flags & 0x8001) != 0 ? 0x48 : 0x40;
  Attribute(type, header + runs.size() + 1);
  m_bytes[at + 8] = 1;
  Put16(m_bytes, at + 0x0A, static_cast<std::uint16_t>(header));
  Put16(m_bytes, at + 0x0C, flags);
  Put64(m_bytes, at + 0x10, startVcn);
  Put16(m_bytes, at + 0x20, static_cast<std::uint16_t>(header));
  if (flags & 1) m_bytes[at + 0x22] = 4;
  Put64(m_bytes, at + 0x28, (size + 4095) / 4096 * 4096);
  Put64(m_bytes, at + 0x30, size);
  Put64(m_bytes, at + 0x38, size);
  std::memcpy(m_bytes.data() + at + header, runs.data(), runs.size());
  return *this;
}

RecordBuilder& RecordBuilder::EmptyIndexRoot() {
  const std::size_t at = m_next;
  const std::size_t value = 0x10 + 0x10 + 0x10;
  Attribute(0x90, 0x20 + value);
  Put32(m_bytes, at + 0x10, static_cast<std::uint32_t>(value));
  Put16(m_bytes, at + 0x14, 0x20);
  m_bytes[at + 9] = 4;
  Put16(m_bytes, at + 0x0A, 0x18);
  const std::u16string name = u"$I30";
  for (std::size_t i = 0; i < 4; ++i) Put16(m_bytes, at + 0x18 + 2 * i, name[i]);
  const std::size_t v = at + 0x20;
  Put32(m_bytes, v, 0x30);
  Put32(m_bytes, v + 8, 4096);
  Put32(m_bytes, v + 0x10, 0x10);  // entries offset
  Put32(m_bytes, v + 0x14, 0x20);  // index length
  Put16(m_bytes, v + 0x20 + 8, 0x10);
  m_bytes[v + 0x20 + 12] = 2;
  return *this;
}

RecordBuilder& RecordBuilder::AttributeList(const std::vector<std::pair<std::uint32_t, std::uint32_t>>& entries) {
  const std::size_t at = m_next;
  const std::size_t value = entries.size() * 0x20;
  Attribute(0x20, 0x18 + value);
  Put32(m_bytes, at + 0x10, static_cast<std::uint32_t>(value));
  Put16(m_bytes, at + 0x14, 0x18);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::size_t e = at + 0x18 + 0x20 * i;
    Put32(m_bytes, e, entries[i].first);
    Put16(m_bytes, e + 4, 0x20);
    Put64(m_bytes, e + 0x10, entries[i].second);
  }
  return *this;
}

RecordBuilder& RecordBuilder::BaseRecord(std::uint32_t base) {
  Put64(m_bytes, 0x20, base);
  return *this;
}

std::vector<std::uint8_t> RecordBuilder::FixedBytes() const { return m_bytes; }

std::vector<std::uint8_t> RecordBuilder::Bytes() const {
  std::vector<std::uint8_t> stored = m_bytes;
  Put16(stored, 0x30, kUpdateSequenceNumber);
  for (std::size_t sector = 0; sector < 2; ++sector) {
    const std::size_t end = 512 * (sector + 1) - 2;
    stored[0x32 + 2 * sector] = stored[end];
    stored[0x33 + 2 * sector] = stored[end + 1];
    Put16(stored, end, kUpdateSequenceNumber);
  }
  return stored;
}

MiniVolume::MiniVolume() : m_image(std::size_t{kClusters} * kClusterBytes, 0) {
  std::vector<std::uint8_t>& b = m_image;
  std::memcpy(b.data() + 3, "NTFS    ", 8);
  Put16(b, 0x0B, 512);
  b[0x0D] = 8;
  Put64(b, 0x28, std::uint64_t{kClusters} * 8);
  Put64(b, 0x30, 4);
  Put64(b, 0x38, 4);
  b[0x40] = 0xF6;
  Put16(b, 0x1FE, 0xAA55);

  std::vector<std::uint8_t> mftRuns = PackRun(16, 4);
  PutRecord(RecordBuilder(0, true).StandardInformation(0x06).FileName(5, u"$MFT", 3).NonResidentData(mftRuns, 16 * 4096),
            0);
  PutRecord(RecordBuilder(5, true, true).StandardInformation(0x06).FileName(5, u".", 3, true).EmptyIndexRoot(), 5);
  PutRecord(RecordBuilder(6, true).StandardInformation(0x06).FileName(5, u"$Bitmap", 3).NonResidentData(PackRun(1, 20), 32),
            6);
  for (std::uint32_t c = 0; c < kFirstFreeCluster; ++c) MarkUsed(c);
}

void MiniVolume::PutRecord(const RecordBuilder& record, std::uint32_t number) {
  PutRawRecord(number, record.Bytes());
}

void MiniVolume::PutRawRecord(std::uint32_t number, const std::vector<std::uint8_t>& bytes) {
  std::memcpy(m_image.data() + 4 * kClusterBytes + std::size_t{number} * 1024, bytes.data(), std::min<std::size_t>(bytes.size(), 1024));
}

void MiniVolume::PutCluster(std::uint32_t cluster, const std::vector<std::uint8_t>& data) {
  std::memcpy(m_image.data() + std::size_t{cluster} * kClusterBytes, data.data(), data.size());
}

void MiniVolume::MarkUsed(std::uint32_t cluster) {
  m_image[20 * kClusterBytes + cluster / 8] |= static_cast<std::uint8_t>(1u << (cluster % 8));
}

std::unique_ptr<CNTFSParser> MiniVolume::Parse(std::vector<std::uint64_t> badSectors) const {
  auto drive = std::make_unique<MemoryDrive>(m_image);
  for (std::uint64_t sector : badSectors) drive->AddBadSector(sector);
  std::vector<std::uint8_t> boot(m_image.begin(), m_image.begin() + 512);
  return std::make_unique<CNTFSParser>(std::move(drive), boot);
}

}  // namespace tv::testing
