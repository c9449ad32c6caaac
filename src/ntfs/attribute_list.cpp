// CMFTRecord::ExtractAttrFromAttrList: follows a record's $ATTRIBUTE_LIST
// into the extension records that hold the rest of an attribute.
#include <algorithm>
#include <cinttypes>
#include <new>
#include <vector>

#include "log/log.h"
#include "ntfs/mft_record.h"
#include "ntfs/ntfs_parser.h"

namespace tv {

using namespace ntfs;

namespace {

// Limits of a resident list's value offset: past it no entry fits a record.
constexpr std::uint16_t kListMaxResidentValueOffset = 534;
// An attribute list is never larger than this; a run list that claims more
// belongs to a damaged record.
constexpr std::uint64_t kMaxListBytes = 4u << 20;

}  // namespace

bool CMFTRecord::ReadAttributeListBytes(std::vector<std::uint8_t>& bytes, int& status) {
  LeReader list = AttributeReader(m_attributeList);
  if (IsNonResident(m_attributeList)) {
    const std::size_t position = RunListPosition(m_attributeList) - m_attributeList;
    const RunListExtent extent = CalcDataRunsLength(list.data(), position);
    Log().Format("CMFTRecord::ExtractAttrFromAttrList() - run list size %u", extent.runs);
    RunList runs;
    DecodeRunList(list.data(), position, runs);
    const std::uint64_t clusterBytes = m_pParser->ClusterBytes();
    const std::uint64_t dataSize = std::min(list.U64(attr::kDataSize), kMaxListBytes);
    const std::uint64_t clusters = std::min(extent.clusters, (dataSize + clusterBytes - 1) / clusterBytes);
    bytes.assign(static_cast<std::size_t>(clusters * clusterBytes), 0);
    std::uint64_t filled = 0;
    for (const Run& run : runs) {
      if (filled >= clusters) break;
      const std::uint64_t take = std::min(run.length, clusters - filled);
      if (!run.IsSparse()) {
        m_pParser->ReadVolumeClusters(run.lcn, take, bytes.data() + filled * clusterBytes);
      }
      filled += take;
    }
    bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size(), dataSize)));
    return true;
  }
  const std::uint16_t valueOffset = list.U16(attr::kValueOffset);
  const std::uint32_t valueLength = list.U32(attr::kValueLength);
  if (valueOffset == 0 || valueOffset > kListMaxResidentValueOffset) {
    status = kStatusValueOffset;
  } else if (valueLength > kRecordBytes - valueOffset) {
    status = kStatusValueLength;
  }
  if (status != 0) {
    Log().Format("CMFTRecord::ExtractAttrFromAttrList() - some errors occured. Record number %u", m_nRecordNumber);
    Log().Message("CMFTRecord::ExtractAttrFromAttrList() - OUT");
    return false;
  }
  // A value cut by the end of the record gives the entries that fit.
  const std::span<const std::uint8_t> value = ResidentValue(m_attributeList);
  if (!value.empty()) {
    bytes.assign(value.begin(), value.end());
  } else {
    const std::span<const std::uint8_t> rest = list.data();
    if (valueOffset < rest.size()) bytes.assign(rest.begin() + valueOffset, rest.end());
  }
  return true;
}

int CMFTRecord::ExtractAttrFromAttrList(std::uint32_t wantedType, ListOutput& output) {
  if (output.runs == nullptr && output.indexEntries == nullptr && output.names == nullptr) return 0;
  if (m_attributeList == kAbsent || m_pParser == nullptr) return 0;
  Log().Message("CMFTRecord::ExtractAttrFromAttrList() - IN");

  int status = 0;
  std::vector<std::uint8_t> listBytes;
  try {
    if (!ReadAttributeListBytes(listBytes, status)) return status;
  } catch (const std::bad_alloc&) {
    Log().Error("CMFTRecord::ExtractAttrFromAttrList() - not enough memory for the attribute list");
    return kStatusNoMemory;
  }

  Log().Message("CMFTRecord::ExtractAttrFromAttrList() - start parsing attr. list");
  // The extension records that hold the wanted attribute, in list order
  // (which is the order of their starting VCNs), each once: a record named
  // by several entries must not give its runs twice.
  std::vector<std::uint32_t> segments;
  LeReader list{std::span<const std::uint8_t>(listBytes)};
  std::size_t at = 0;
  while (list.Has(at, attr_list_entry::kHeaderBytes)) {
    const std::uint32_t type = list.U32(at + attr_list_entry::kType);
    const std::uint16_t length = list.U16(at + attr_list_entry::kLength);
    if (type == kAttrEnd || length == 0) break;
    const std::uint32_t segment = list.U32(at + attr_list_entry::kSegment);
    if (type == wantedType && segment != m_nRecordNumber &&
        std::find(segments.begin(), segments.end(), segment) == segments.end()) {
      segments.push_back(segment);
    }
    at += length;
  }

  std::vector<std::uint8_t> buffer(kRecordBytes);
  for (const std::uint32_t segment : segments) {
    if (m_pParser->ReadMFTRecord(segment, buffer.data()) != 0 ||
        LeReader(std::span<const std::uint8_t>(buffer)).U32(record::kSignature) != kSignatureFile) {
      Log().Message("invalid MFT record signature");
      continue;
    }
    CMFTRecord extension(buffer.data(), kNoRecordNumber, false, m_pParser);
    // A deleted file's extension record may since belong to another file.
    if (m_nRecordNumber != kNoRecordNumber && extension.BaseRecord() != m_nRecordNumber) {
      Log().Format("CMFTRecord::ExtractAttrFromAttrList() - record %u belongs to record %" PRIu64 ", not to %u",
                   segment, extension.BaseRecord(), m_nRecordNumber);
      continue;
    }
    status = extension.LocateRecordAttributes(true);
    if (status != 0) {
      Log().Format("can`t find attributes for record %u", segment);
      continue;
    }
    extension.ForgetAttributeList();
    if (wantedType == kAttrData && output.runs != nullptr && extension.Data() != kAbsent) {
      LeReader data = extension.AttributeReader(extension.Data());
      // Only the piece that starts the attribute (VCN 0) carries its sizes.
      if (!output.sizesFound && extension.IsNonResident(extension.Data()) && data.U64(attr::kStartVcn) == 0) {
        output.dataSize = data.U64(attr::kDataSize);
        output.allocatedSize = data.U64(attr::kAllocatedSize);
        output.sizesFound = true;
      }
      status = extension.ExtractRunList(extension.Data(), *output.runs);
    } else if (wantedType == kAttrFileName && output.names != nullptr) {
      output.names->AdoptNames(extension);
    } else if (wantedType == kAttrIndexAllocation && output.indexEntries != nullptr &&
               extension.IndexAllocation() != kAbsent) {
      status = m_pParser->AppendIndexAllocation(extension, extension.IndexAllocation(), *output.indexEntries);
    }
  }

  if (status != 0) {
    Log().Format("CMFTRecord::ExtractAttrFromAttrList() - some errors occured. Record number %u", m_nRecordNumber);
  }
  Log().Message("CMFTRecord::ExtractAttrFromAttrList() - OUT");
  return status;
}

bool CMFTRecord::LoadNamesFromAttributeList() {
  if (!HasPreferredName() && m_attributeList != kAbsent) {
    ListOutput output;
    output.names = this;
    ExtractAttrFromAttrList(kAttrFileName, output);
  }
  return HasPreferredName();
}

}  // namespace tv
