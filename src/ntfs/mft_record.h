// One MFT record turned into an object that knows where each attribute of
// interest lies. CMFTRecordBase holds the parsing state (attributes, names,
// times); CMFTRecord adds what reading the file's data needs.
//
// Every attribute is checked where it is enumerated: its header lies inside
// the record, and every later read of it goes through a reader bounded by
// the record, so a damaged or hostile record can give wrong values but never
// a read outside its 1024 bytes.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "disk/le_reader.h"
#include "ntfs/ntfs_layout.h"
#include "ntfs/run_list.h"
#include "parser/recovery_report.h"
#include "platform/files.h"
#include "platform/types.h"

namespace tv {

using ntfs::Run;
using ntfs::RunList;

class CNTFSParser;

class CMFTRecordBase {
 public:
  // Record number of a temporary object for an extension record.
  static constexpr std::uint32_t kNoRecordNumber = 0xFFFFFFFFu;
  static constexpr std::uint32_t kNoParent = 0xFFFFFFFFu;
  // An attribute offset of 0 means "not present": no attribute starts there.
  static constexpr std::uint16_t kAbsent = 0;

  // `buffer` holds ntfs::kRecordBytes bytes. With `ownsBuffer` the object
  // deletes it (it must come from new[]).
  CMFTRecordBase(std::uint8_t* buffer, std::uint32_t number, bool ownsBuffer, CNTFSParser* parser);
  virtual ~CMFTRecordBase();
  CMFTRecordBase(const CMFTRecordBase&) = delete;
  CMFTRecordBase& operator=(const CMFTRecordBase&) = delete;

  // Points the object at another record it does not own (the scan reuses
  // one object for every record) and forgets everything located before.
  void Reset(std::uint8_t* buffer, std::uint32_t number);

  // Finds the record's attributes; 0 or a negative status (see ntfs_layout.h).
  // Most checks only log, since deleted records are often partly
  // overwritten. `extensionMode` is set for the extension records that an
  // attribute list names.
  int LocateRecordAttributes(bool extensionMode = false);

  std::span<const std::uint8_t> Bytes() const { return {m_pRecord, ntfs::kRecordBytes}; }
  std::span<std::uint8_t> MutableBytes() { return {m_pRecord, ntfs::kRecordBytes}; }
  std::uint32_t Number() const { return m_nRecordNumber; }
  CNTFSParser* Parser() const { return m_pParser; }

  std::uint32_t Signature() const;
  bool InUse() const;
  // The 48-bit number of the base record; non-zero for an extension record.
  std::uint64_t BaseRecord() const;

  // Attribute header offsets inside the record, kAbsent when missing.
  std::uint16_t StandardInformation() const { return m_standardInformation; }
  std::uint16_t AttributeList() const { return m_attributeList; }
  std::uint16_t Data() const { return m_data; }
  std::uint16_t IndexRoot() const { return m_indexRoot; }
  std::uint16_t IndexAllocation() const { return m_indexAllocation; }
  std::uint16_t LoggedUtilityStream() const { return m_loggedUtilityStream; }
  const std::vector<std::uint16_t>& Attributes() const { return m_attributes; }
  // Takes the names of `extension` for the namespaces this record has no
  // name of (the names of a file with many attributes may lie there).
  void AdoptNames(const CMFTRecordBase& extension);

  // Stops the attribute-list extraction from following this record's list.
  void ForgetAttributeList() { m_attributeList = kAbsent; }
  bool IsCompressed() const { return m_bCompressed; }
  std::uint32_t IndexBlockSize() const { return m_nIndexBlockSize; }

  // A reader over the attribute at `offset`, cut at the end of the record.
  LeReader AttributeReader(std::uint16_t offset) const;
  bool IsNonResident(std::uint16_t offset) const;
  // The resident value of the attribute; empty when it does not fit the record.
  std::span<const std::uint8_t> ResidentValue(std::uint16_t offset) const;
  // Where the run list of a non-resident attribute starts, as an offset in
  // the record: where its header says when that lies inside the attribute;
  // else after the name when there is one, else at 0x40, and 8 bytes
  // further for a compressed attribute.
  std::size_t RunListPosition(std::uint16_t offset) const;

  // The name shown for the record: the last Win32-and-DOS name, else the
  // last Win32 name, else the last POSIX name, else the last DOS name.
  bool HasPreferredName() const { return PreferredNameSlot() != kAbsent; }
  WString PreferredWideName() const;
  std::string PreferredName() const;
  // Low 32 bits of the parent reference of the first $FILE_NAME; kNoParent
  // while none was seen.
  std::uint32_t FirstNameParent() const { return m_nParentRecord; }
  // The folder the record hangs under in the tree: the DOS name's parent,
  // else the Win32 name's, else the Win32-and-DOS name's, else the POSIX
  // name's, else the root.
  std::uint32_t TreeParent() const;
  // A folder: the record has an index root or an index allocation.
  bool IsDirectory() const { return m_indexRoot != kAbsent || m_indexAllocation != kAbsent; }
  FileTime CreationTime() const;
  FileTime ModifiedTime() const;

 protected:
  std::uint32_t PreferredNameSlot() const;
  // The $FILE_NAME value a slot of m_nameByNamespace names, as a reader.
  LeReader FileNameValue(std::uint32_t slot) const;

  std::uint8_t* m_pRecord = nullptr;
  std::uint32_t m_nRecordNumber = kNoRecordNumber;
  std::unique_ptr<std::uint8_t[]> m_ownedBuffer;
  std::uint32_t m_nParentRecord = kNoParent;
  bool m_bCompressed = false;
  std::uint32_t m_nIndexBlockSize = 4096;
  // Value offset of $STANDARD_INFORMATION.
  std::uint16_t m_standardInformation = kAbsent;
  // Where the last $FILE_NAME value of each namespace lies, indexed by the
  // namespace number (POSIX, Win32, DOS, Win32-and-DOS): an offset in the
  // record, or with kForeignName an offset in m_foreignNames.
  std::array<std::uint32_t, 4> m_nameByNamespace{};
  static constexpr std::uint32_t kForeignName = 0x10000;
  // $FILE_NAME values copied from extension records.
  std::vector<std::uint8_t> m_foreignNames;
  std::uint16_t m_attributeList = kAbsent;
  std::uint16_t m_data = kAbsent;
  std::uint16_t m_indexRoot = kAbsent;
  std::uint16_t m_indexAllocation = kAbsent;
  std::uint16_t m_loggedUtilityStream = kAbsent;
  std::vector<std::uint16_t> m_attributes;
  CNTFSParser* m_pParser = nullptr;

 private:
  void ClearLocated();

  // The steps of LocateRecordAttributes: the header of the attribute at
  // `at`, then the checks of its type, which note where it lies. NoteAttribute
  // gives the attribute's error status, 0 when it has none.
  struct AttributeHeader;
  static AttributeHeader ReadAttributeHeader(LeReader& rec, std::size_t at);
  int NoteAttribute(LeReader& rec, const AttributeHeader& header, bool extensionMode);
  void NoteStandardInformation(const AttributeHeader& header);
  void NoteAttributeList(const AttributeHeader& header);
  void NoteFileName(LeReader& rec, const AttributeHeader& header);
  void NoteData(LeReader& rec, const AttributeHeader& header, bool extensionMode);
  int NoteIndexRoot(LeReader& rec, const AttributeHeader& header);
  int NoteIndexAllocation(const AttributeHeader& header);
  void NoteLoggedUtilityStream(const AttributeHeader& header);
};

class CMFTRecord : public CMFTRecordBase {
 public:
  using CMFTRecordBase::CMFTRecordBase;
  ~CMFTRecord() override;

  // Points the object at another record and forgets what was computed for
  // the previous one. Only for objects that read no data (the scan's).
  void Reset(std::uint8_t* buffer, std::uint32_t number) {
    CMFTRecordBase::Reset(buffer, number);
    m_nFileSize = -1;
    m_nFirstCluster = -1;
  }

  // The file size: the unnamed $DATA's data size (non-resident) or value
  // length (resident), else what the attribute list reports; 0 without data.
  // A non-resident size is cut to what the runs hold (SizeWithinRuns).
  std::int64_t FileSize();
  // Appends the runs of the non-resident unnamed $DATA (through the
  // attribute list when the base record holds none) to `runs` and gives the
  // data size the record states for it, modulo 2^40; 0 for resident or
  // missing data.
  std::uint64_t DataRuns(RunList& runs);
  // A stated data size cut to the bytes that `runs` hold: a damaged record
  // may state more than its runs map, and the runs are what lies on the
  // volume. Logs when it cuts. Modulo 2^40 like every size.
  std::int64_t SizeWithinRuns(std::uint64_t size, const RunList& runs) const;
  // LCN of the first run of the unnamed $DATA (through the attribute list
  // when the base record holds none); 0 when there is none.
  std::int64_t FirstCluster();

  // Appends the runs of the non-resident attribute at `offset` (and those
  // the attribute list holds for it in extension records) to `runs`.
  // 0, kStatusNoMemory or kStatusNameOffset.
  int ExtractRunList(std::uint16_t offset, RunList& runs);

  // What an attribute list gives for one attribute type: the runs of the
  // unnamed $DATA (type 0x80) with its sizes, or the index entries of
  // $INDEX_ALLOCATION pieces (type 0xA0) appended to `indexEntries`.
  struct ListOutput {
    RunList* runs = nullptr;
    std::vector<std::uint8_t>* indexEntries = nullptr;
    // For type 0x30: the record that takes the names found.
    CMFTRecordBase* names = nullptr;
    std::uint64_t dataSize = 0;
    std::uint64_t allocatedSize = 0;
    bool sizesFound = false;
  };
  // 0 or the status of the last extension record that failed. Each
  // extension record is visited once, however many list entries name it.
  int ExtractAttrFromAttrList(std::uint32_t wantedType, ListOutput& output);
  // Loads the names of a record whose $FILE_NAME attributes all lie in
  // extension records; true when it has a name afterwards.
  bool LoadNamesFromAttributeList();

  // ---- Data reading state ----
  // -1 until computed.
  std::int64_t m_nFileSize = -1;
  std::int64_t m_nFirstCluster = -1;
  // Read position: byte in the file, run index and byte offset in that run.
  std::uint64_t m_nPosition = 0;
  std::size_t m_nRunIndex = 0;
  std::uint64_t m_nRunOffset = 0;
  RunList m_runList;
  // The resident data, when the file's $DATA is resident.
  std::span<const std::uint8_t> m_residentData;
  bool m_bHasData = false;
  // Set when part of a compressed file could not be read or expanded.
  bool m_bDataDamaged = false;
  // The bytes of the file that reads could not deliver (zeros stand in).
  UnreadableRanges m_unreadable;
  // The data size the record claims when the volume holds less (the file
  // size is cut to what it holds); else 0.
  std::uint64_t m_nClaimedSize = 0;
  // The expanded copy of a compressed file.
  platform::FileHandle m_hScratch = platform::kInvalidFile;
  std::string m_szScratchName;

 private:
  // The bytes of the attribute list, read from the record or the volume.
  bool ReadAttributeListBytes(std::vector<std::uint8_t>& bytes, int& status);
};

}  // namespace tv
