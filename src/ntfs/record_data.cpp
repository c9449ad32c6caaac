// CMFTRecord: the file size, first cluster and run list of a record's data.
#include <cinttypes>
#include <new>

#include "log/log.h"
#include "ntfs/mft_record.h"
#include "ntfs/ntfs_parser.h"
#include "platform/files.h"

namespace tv {

using namespace ntfs;

CMFTRecord::~CMFTRecord() {
  if (m_hScratch != platform::kInvalidFile) platform::CloseFile(m_hScratch);
  if (!m_szScratchName.empty()) platform::DeleteFile(m_szScratchName);
}

std::int64_t CMFTRecord::FileSize() {
  if (m_nFileSize >= 0) return m_nFileSize;
  if (m_data != kAbsent && !IsNonResident(m_data)) {
    m_nFileSize = AttributeReader(m_data).U32(attr::kValueLength);
    return m_nFileSize;
  }
  RunList runs;
  const std::uint64_t size = DataRuns(runs);
  m_nFileSize = SizeWithinRuns(size, runs);
  return m_nFileSize;
}

std::uint64_t CMFTRecord::DataRuns(RunList& runs) {
  if (m_data != kAbsent) {
    if (!IsNonResident(m_data)) return 0;
    ExtractRunList(m_data, runs);
    return AttributeReader(m_data).U64(attr::kDataSize) & kSizeMask;
  }
  if (m_attributeList == kAbsent || m_pParser == nullptr) return 0;
  ListOutput output;
  output.runs = &runs;
  ExtractAttrFromAttrList(kAttrData, output);
  return output.dataSize & kSizeMask;
}

std::int64_t CMFTRecord::SizeWithinRuns(std::uint64_t size, const RunList& runs) const {
  size &= kSizeMask;
  const std::uint64_t clusterBytes = m_pParser != nullptr ? m_pParser->ClusterBytes() : 0;
  if (clusterBytes == 0) return static_cast<std::int64_t>(size);
  // Sparse runs count: a sparse file's runs cover its whole size. Allocated
  // clusters count up to what the device holds: no file keeps more data
  // than that, and a damaged boot sector may claim a far larger volume.
  const std::uint64_t clusters = CoveredClusters(runs, m_pParser->ClustersOnDevice());
  const std::uint64_t covered = clusters > kSizeMask / clusterBytes ? kSizeMask : clusters * clusterBytes;
  if (size <= covered) return static_cast<std::int64_t>(size);
  Log().Format("CMFTRecord::SizeWithinRuns() - record %u: the data size %" PRIu64
               " is more than its runs hold; cut to %" PRIu64 " bytes",
               m_nRecordNumber, size, covered);
  return static_cast<std::int64_t>(covered);
}

std::int64_t CMFTRecord::FirstCluster() {
  if (m_nFirstCluster >= 0) return m_nFirstCluster;
  m_nFirstCluster = 0;
  RunList runs;
  if (m_data != kAbsent && IsNonResident(m_data)) {
    if (AttributeReader(m_data).U16(attr::kNameOffset) <= attr::kCompressedHeaderBytes) {
      DecodeRunList(AttributeReader(m_data).data(), RunListPosition(m_data) - m_data, runs);
    }
  } else if (m_data == kAbsent && m_attributeList != kAbsent && m_pParser != nullptr) {
    ListOutput output;
    output.runs = &runs;
    ExtractAttrFromAttrList(kAttrData, output);
  }
  if (!runs.empty()) m_nFirstCluster = static_cast<std::int64_t>(runs.front().lcn & kSizeMask);
  return m_nFirstCluster;
}

int CMFTRecord::ExtractRunList(std::uint16_t offset, RunList& runs) {
  if (offset == kAbsent || !IsNonResident(offset)) return 0;
  LeReader attribute = AttributeReader(offset);
  const std::uint16_t nameOffset = attribute.U16(attr::kNameOffset);
  // A compressed or sparse attribute's header is 8 bytes longer, and its
  // name may follow that longer header.
  const bool longHeader = (attribute.U16(attr::kFlags) & (attr::kFlagCompressed | attr::kFlagSparse)) != 0;
  if (nameOffset > (longHeader ? attr::kCompressedHeaderBytes : attr::kNonResidentHeaderBytes)) {
    Log().Format("CMFTRecord::ExtractRunList() - invalid $DATA attribute (pAttrRec->name_offset > 0x40) in record %u",
                 m_nRecordNumber);
    Log().Format("Name Offset = %u ", nameOffset);
    return kStatusNameOffset;
  }
  try {
    // The runs lie inside the attribute; whatever follows it is not theirs.
    DecodeRunList(attribute.data(), RunListPosition(offset) - offset, runs);
  } catch (const std::bad_alloc&) {
    Log().Format("CMFTRecord::ExtractRunList() - data run list in record %u to large! ENOMEM", m_nRecordNumber);
    return kStatusNoMemory;
  }
  if (m_attributeList != kAbsent && m_pParser != nullptr) {
    ListOutput output;
    output.runs = &runs;
    return ExtractAttrFromAttrList(attribute.U32(attr::kType), output);
  }
  return 0;
}

}  // namespace tv
