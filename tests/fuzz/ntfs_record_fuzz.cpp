// One MFT record as read from disk: the update-sequence fixup, the attribute
// walk in both modes, every attribute's header and value, the run list of
// every non-resident attribute, the names, times and sizes, the index root,
// and the damage estimate. The record is one of a small volume built in
// memory, so that what it refers to (index blocks, attribute lists) is read
// from that volume.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "ntfs/mini_volume.h"
#include "ntfs/ntfs_parser.h"
#include "ntfs/run_list.h"
#include "ntfs/update_sequence.h"

namespace {

using namespace tv;
using namespace tv::ntfs;

// Built once: the parser only reads its volume here, and the cluster map
// loaded at the start stays as it is.
CNTFSParser& Parser() {
  static const std::unique_ptr<CNTFSParser> parser = [] {
    std::unique_ptr<CNTFSParser> made = testing::MiniVolume().Parse();
    made->LoadClusterBitmap();
    return made;
  }();
  return *parser;
}

void ExamineAttributes(CMFTRecord& record) {
  for (const std::uint16_t offset : record.Attributes()) {
    LeReader header = record.AttributeReader(offset);
    header.U32(attr::kType);
    record.ResidentValue(offset);
    if (!record.IsNonResident(offset)) continue;
    const std::size_t position = record.RunListPosition(offset);
    if (position < offset) std::abort();
    const RunListExtent extent = CalcDataRunsLength(header.data(), position - offset);
    RunList runs;
    DecodeRunList(header.data(), position - offset, runs);
    if (runs.size() > extent.runs) std::abort();
    TotalClusters(runs);
    RunList extracted;
    record.ExtractRunList(offset, extracted);
  }
}

void ExamineNames(const CMFTRecord& record) {
  record.PreferredWideName();
  record.PreferredName();
  record.TreeParent();
  record.FirstNameParent();
  record.IsDirectory();
  record.CreationTime();
  record.ModifiedTime();
  record.InUse();
  record.BaseRecord();
  record.Signature();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // Exactly one record: a read past its end is caught by the address sanitizer.
  std::unique_ptr<std::uint8_t[]> bytes(new std::uint8_t[kRecordBytes]());
  std::memcpy(bytes.get(), data, std::min<std::size_t>(size, kRecordBytes));
  ApplyUpdateSequence(std::span<std::uint8_t>(bytes.get(), kRecordBytes), kSectorBytes);

  CNTFSParser& parser = Parser();
  CMFTRecord record(bytes.release(), kFirstUserRecord, true, &parser);
  for (const bool extensionMode : {true, false}) {
    record.LocateRecordAttributes(extensionMode);
    ExamineAttributes(record);
    ExamineNames(record);
  }
  record.FileSize();
  record.FirstCluster();
  record.LoadNamesFromAttributeList();
  parser.EstimateDamageLevel(record);

  std::vector<std::uint8_t> entries;
  if (record.IndexRoot() != CMFTRecordBase::kAbsent) parser.AppendIndexRoot(record, record.IndexRoot(), entries);
  if (record.IndexAllocation() != CMFTRecordBase::kAbsent) {
    parser.AppendIndexAllocation(record, record.IndexAllocation(), entries);
  }

  // Names taken over by a record that has none of its own, as the names of
  // an extension record are.
  std::vector<std::uint8_t> empty(kRecordBytes, 0);
  std::memcpy(empty.data(), "FILE", 4);
  CMFTRecord adopter(empty.data(), kFirstUserRecord, false, &parser);
  adopter.AdoptNames(record);
  ExamineNames(adopter);
  return 0;
}
