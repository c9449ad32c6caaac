// CMFTRecordBase: the attribute walk of one MFT record, the name choice and
// the times.
#include "ntfs/mft_record.h"

#include <algorithm>

#include "log/log.h"
#include "platform/text.h"

namespace tv {

using namespace ntfs;

namespace {

// Limits of the sanity checks on attribute headers: beyond them an
// attribute of that type cannot be one the engine wrote or expects.
constexpr std::uint32_t kStdInfoMinLength = 72;
constexpr std::uint32_t kStdInfoMaxLength = 114;
constexpr std::uint32_t kStdInfoMaxValueOffset = 24;
constexpr std::uint32_t kFileNameMinLength = 68;
constexpr std::uint32_t kFileNameMaxLength = 578;
constexpr std::uint32_t kFileNameMaxValueOffset = 535;  // refused from here on
constexpr std::uint32_t kIndexRootMaxValueOffset = 535;  // refused from here on
constexpr std::uint32_t kListMaxValueOffset = 574;
constexpr std::uint32_t kMaxNameOffset = 64;
constexpr std::uint32_t kAttrListMinNameOffset = 64;

const char* SignatureText(std::uint32_t signature) {
  switch (signature) {
    case kSignatureChkb: return "AttrListRecord Signature [chkdsk]";
    case kSignatureBaad: return "AttrListRecord Signature [corrupt record]";
    case kSignatureHole: return "AttrListRecord Signature [NTFS 3.0]";
    case kSignatureIndx: return "AttrListRecord Signature [index buffer]";
    default: return nullptr;
  }
}

}  // namespace

CMFTRecordBase::CMFTRecordBase(std::uint8_t* buffer, std::uint32_t number, bool ownsBuffer,
                               CNTFSParser* parser)
    : m_pRecord(buffer), m_nRecordNumber(number), m_pParser(parser) {
  if (ownsBuffer) m_ownedBuffer.reset(buffer);
}

CMFTRecordBase::~CMFTRecordBase() = default;

void CMFTRecordBase::Reset(std::uint8_t* buffer, std::uint32_t number) {
  m_ownedBuffer.reset();
  m_pRecord = buffer;
  m_nRecordNumber = number;
  ClearLocated();
}

void CMFTRecordBase::ClearLocated() {
  m_nParentRecord = kNoParent;
  m_bCompressed = false;
  m_nIndexBlockSize = 4096;
  m_standardInformation = kAbsent;
  m_nameByNamespace.fill(kAbsent);
  m_foreignNames.clear();
  m_attributeList = m_data = m_indexRoot = m_indexAllocation = m_loggedUtilityStream = kAbsent;
  m_attributes.clear();
}

std::uint32_t CMFTRecordBase::Signature() const {
  LeReader reader(Bytes());
  return reader.U32(record::kSignature);
}

bool CMFTRecordBase::InUse() const {
  LeReader reader(Bytes());
  return (reader.U16(record::kFlags) & record::kFlagInUse) != 0;
}

std::uint64_t CMFTRecordBase::BaseRecord() const {
  LeReader reader(Bytes());
  return reader.UN(record::kBaseRecord, record::kBaseRecordWidth);
}

LeReader CMFTRecordBase::AttributeReader(std::uint16_t offset) const {
  if (offset == kAbsent || offset >= kRecordBytes) return LeReader();
  LeReader reader(Bytes());
  const std::size_t length = reader.U16(offset + attr::kLength);
  const std::size_t available = kRecordBytes - offset;
  return LeReader(Bytes().subspan(offset, std::min(length, available)));
}

bool CMFTRecordBase::IsNonResident(std::uint16_t offset) const {
  LeReader reader = AttributeReader(offset);
  return reader.U8(attr::kNonResident) != 0;
}

std::span<const std::uint8_t> CMFTRecordBase::ResidentValue(std::uint16_t offset) const {
  LeReader reader = AttributeReader(offset);
  const std::uint16_t valueOffset = reader.U16(attr::kValueOffset);
  const std::uint32_t valueLength = reader.U32(attr::kValueLength);
  if (!reader.ok()) return {};
  return reader.Bytes(valueOffset, valueLength);
}

std::size_t CMFTRecordBase::RunListPosition(std::uint16_t offset) const {
  LeReader reader = AttributeReader(offset);
  // The header says where its runs start; writers differ in where they put
  // the name of a compressed attribute, so that field is the one to trust
  // whenever it points past the header into the attribute.
  const std::uint16_t stated = reader.U16(attr::kRunListOffset);
  if (stated >= attr::kNonResidentHeaderBytes && stated < reader.size()) return offset + stated;
  const std::uint16_t nameOffset = reader.U16(attr::kNameOffset);
  const std::uint8_t nameLength = reader.U8(attr::kNameLength);
  std::size_t position =
      nameOffset != 0 ? nameOffset + 2u * nameLength : attr::kNonResidentHeaderBytes;
  const bool compressed = (reader.U16(attr::kFlags) & attr::kFlagCompressed) != 0;
  if (compressed && reader.U8(attr::kCompressionUnit) != 0) position += attr::kCompressedSizeBytes;
  return offset + position;
}

// The fields of one attribute header that the walk checks, read through the
// record's reader (a field outside the record reads as 0).
struct CMFTRecordBase::AttributeHeader {
  std::size_t at = 0;
  std::uint16_t offset = 0;
  std::uint32_t type = 0;
  std::uint32_t length = 0;
  bool nonResident = false;
  std::uint16_t nameOffset = 0;
  std::uint8_t nameLength = 0;
  std::uint16_t flags = 0;
  std::uint32_t valueLength = 0;
  std::uint16_t valueOffset = 0;
  // The value's offset and length stay inside a record.
  bool fits = false;
  // Where the value starts in the record, when that is inside it.
  std::size_t valueAt = 0;
  bool valueInside = false;
};

CMFTRecordBase::AttributeHeader CMFTRecordBase::ReadAttributeHeader(LeReader& rec, std::size_t at) {
  AttributeHeader header;
  header.at = at;
  header.offset = static_cast<std::uint16_t>(at);
  header.type = rec.U32(at + attr::kType);
  header.length = rec.U16(at + attr::kLength);
  header.nonResident = rec.U8(at + attr::kNonResident) != 0;
  header.nameOffset = rec.U16(at + attr::kNameOffset);
  header.nameLength = rec.U8(at + attr::kNameLength);
  header.flags = rec.U16(at + attr::kFlags);
  header.valueLength = rec.U32(at + attr::kValueLength);
  header.valueOffset = rec.U16(at + attr::kValueOffset);
  header.fits = header.valueOffset <= kRecordBytes && header.valueLength <= kRecordBytes - header.valueOffset;
  header.valueAt = at + header.valueOffset;
  header.valueInside = header.valueAt < kRecordBytes;
  return header;
}

int CMFTRecordBase::LocateRecordAttributes(bool extensionMode) {
  ClearLocated();
  LeReader rec(Bytes());
  const std::uint32_t signature = rec.U32(record::kSignature);
  if (signature != kSignatureFile) {
    // A record that lost its signature may still carry usable attributes.
    if (const char* text = SignatureText(signature)) {
      Log().Error(text);
    } else {
      Log().Format("AttrListRecord Signature %u", signature);
    }
    Log().Format("_CMFTRecord::LocateRecordAttributes() - invalid file record %u", m_nRecordNumber);
  }

  std::size_t at = rec.U16(record::kFirstAttribute);
  if (at + 4 > kRecordBytes || rec.U32(at) == kAttrEnd) {
    Log().Format("_CMFTRecord::LocateRecordAttributes() - no attr-s found in record %u", m_nRecordNumber);
    return kStatusNoAttributes;
  }

  int status = 0;
  // Every attribute is at least a common header long, so the walk visits at
  // most 64 attributes of a 1024-byte record.
  while (at + attr::kCommonHeaderBytes <= kRecordBytes) {
    const AttributeHeader header = ReadAttributeHeader(rec, at);
    if (header.type == kAttrEnd || (header.type == 0 && !m_attributes.empty())) break;
    if (header.length < attr::kCommonHeaderBytes) break;
    // An index root longer than the record refuses the whole record.
    if (header.type == kAttrIndexRoot && header.length > kRecordBytes) return kStatusIndexRootTooLong;
    if (const int error = NoteAttribute(rec, header, extensionMode); error != 0) status = error;
    m_attributes.push_back(header.offset);
    at += header.length;
  }

  if (status != 0) {
    Log().Format("_CMFTRecord::LocateRecordAttributes() - some errors occured while parsing record number %u",
                 m_nRecordNumber);
    Log().Format("last error code is %u", static_cast<unsigned>(status));
  }
  return status;
}

int CMFTRecordBase::NoteAttribute(LeReader& rec, const AttributeHeader& header, bool extensionMode) {
  switch (header.type) {
    case kAttrStandardInformation:
      NoteStandardInformation(header);
      return 0;
    case kAttrAttributeList:
      NoteAttributeList(header);
      return 0;
    case kAttrFileName:
      NoteFileName(rec, header);
      return 0;
    case kAttrData:
      NoteData(rec, header, extensionMode);
      return 0;
    case kAttrIndexRoot:
      return NoteIndexRoot(rec, header);
    case kAttrIndexAllocation:
      return NoteIndexAllocation(header);
    case kAttrLoggedUtilityStream:
      NoteLoggedUtilityStream(header);
      return 0;
    default:
      return 0;
  }
}

void CMFTRecordBase::NoteStandardInformation(const AttributeHeader& header) {
  if (header.length < kStdInfoMinLength || header.length > kStdInfoMaxLength) {
    Log().Format("$STANDARD_INFORMATION fail! pattr->length = %u", header.length);
  }
  if (header.valueOffset > kStdInfoMaxValueOffset) {
    Log().Format("$STANDARD_INFORMATION fail! pattr->value_offset = %u", header.valueOffset);
  }
  if (!header.fits) Log().Error("$STANDARD_INFORMATION fail");
  if (header.valueInside) m_standardInformation = static_cast<std::uint16_t>(header.valueAt);
}

void CMFTRecordBase::NoteAttributeList(const AttributeHeader& header) {
  Log().Message("_CMFTRecord::LocateRecordAttributes() - $ATTRIBUTE_LIST found!");
  if (header.length > kRecordBytes) Log().Format("$ATTRIBUTE_LIST fail! pattr->length = %u", header.length);
  if (header.valueOffset > kListMaxValueOffset) {
    Log().Format("$ATTRIBUTE_LIST fail! pattr->value_offset = %u", header.valueOffset);
  }
  if (!header.fits) Log().Message("$ATTRIBUTE_LIST fail!");
  if (header.nameOffset != 0 && header.nameOffset < kAttrListMinNameOffset) {
    Log().Format("$ATTRIBUTE_LIST fail! pattr->name_offset = %u", header.nameOffset);
  }
  m_attributeList = header.offset;
}

void CMFTRecordBase::NoteFileName(LeReader& rec, const AttributeHeader& header) {
  if (header.length < kFileNameMinLength || header.length > kFileNameMaxLength) {
    Log().Format("$FILE_NAME fail! pattr->length = %u", header.length);
  }
  bool usable = true;
  if (header.valueOffset >= kFileNameMaxValueOffset) {
    Log().Format("$FILE_NAME fail! pattr->value_offset = %u", header.valueOffset);
    usable = false;
  }
  if (!header.fits) Log().Error("$FILE_NAME fail!");
  if (!header.valueInside) return;
  const std::size_t valueAt = header.valueAt;
  if (m_nParentRecord == kNoParent) m_nParentRecord = rec.U32(valueAt + file_name::kParent);
  // The name itself must lie inside the record to be used at all.
  const std::size_t nameChars = rec.U8(valueAt + file_name::kNameLength);
  if (!rec.Has(valueAt + file_name::kName, nameChars * 2)) usable = false;
  const std::uint8_t nameSpace = rec.U8(valueAt + file_name::kNamespace);
  if (usable && nameSpace <= kNamespaceWin32AndDos) {
    m_nameByNamespace[nameSpace] = static_cast<std::uint16_t>(valueAt);
  }
}

void CMFTRecordBase::NoteData(LeReader& rec, const AttributeHeader& header, bool extensionMode) {
  if (m_standardInformation != kAbsent &&
      (rec.U32(m_standardInformation + std_info::kAttributes) & kAttributeDirectory) != 0) {
    return;
  }
  if (header.length > kRecordBytes) Log().Format("$DATA fail! pattr->lehgth = %u", header.length);
  const std::uint8_t unit = header.nonResident ? rec.U8(header.at + attr::kCompressionUnit) : 0;
  if ((header.flags & attr::kFlagCompressed) != 0) {
    if (unit != 0 && unit != 4) Log().Error("$DATA fail!");
    if (unit != 0) m_bCompressed = true;
  }
  if (header.nameLength != 0 || m_data != kAbsent) return;
  // In a base record the first $DATA piece starts at VCN 0, so these bytes
  // read as a small resident value; extension records hold later pieces
  // whose VCN makes them large.
  if (extensionMode || static_cast<std::uint32_t>(header.valueOffset) + header.valueLength <= kRecordBytes) {
    m_data = header.offset;
  } else {
    Log().Error("$DATA fail!");
  }
}

int CMFTRecordBase::NoteIndexRoot(LeReader& rec, const AttributeHeader& header) {
  // The last failed check gives the status.
  int status = 0;
  if (header.valueOffset >= kIndexRootMaxValueOffset) status = kStatusValueOffset;
  if (!header.fits) status = kStatusValueLength;
  if (header.nameOffset != 0 && header.nameOffset > kMaxNameOffset) status = kStatusNameOffset;
  m_indexRoot = header.offset;
  if (header.valueInside) {
    const std::uint32_t blockSize = rec.U32(header.valueAt + index_root::kIndexBlockSize);
    if (blockSize == 2048 || blockSize == 4096) m_nIndexBlockSize = blockSize;
  }
  return status;
}

int CMFTRecordBase::NoteIndexAllocation(const AttributeHeader& header) {
  m_indexAllocation = header.offset;
  if (!header.nonResident) return kStatusIndexAllocationResident;
  if (header.length > kRecordBytes) return kStatusIndexAllocationTooLong;
  if (header.valueOffset > kListMaxValueOffset) return kStatusValueOffset;
  if (!header.fits) return kStatusValueLength;
  if (header.nameOffset != 0 && header.nameOffset > kMaxNameOffset) return kStatusNameOffset;
  return 0;
}

void CMFTRecordBase::NoteLoggedUtilityStream(const AttributeHeader& header) {
  if (header.length > kRecordBytes) {
    Log().Format("$LOGGED_UTILITY_STREAM fail! pattr->length = %u", header.length);
  }
  if (header.valueOffset > kListMaxValueOffset) {
    Log().Format("$LOGGED_UTILITY_STREAM fail! pattr->value_offset = %u", header.valueOffset);
  }
  if (!header.fits) Log().Message("$LOGGED_UTILITY_STREAM fail!");
  if (header.nameOffset > kMaxNameOffset) {
    Log().Format("$LOGGED_UTILITY_STREAM fail! pattr->name_offset = %u", header.nameOffset);
  }
  m_loggedUtilityStream = header.offset;
}

void CMFTRecordBase::AdoptNames(const CMFTRecordBase& extension) {
  for (std::size_t nameSpace = 0; nameSpace < m_nameByNamespace.size(); ++nameSpace) {
    if (m_nameByNamespace[nameSpace] != kAbsent || extension.m_nameByNamespace[nameSpace] == kAbsent) continue;
    LeReader value = extension.FileNameValue(extension.m_nameByNamespace[nameSpace]);
    const std::size_t length = file_name::kName + 2u * value.U8(file_name::kNameLength);
    const std::span<const std::uint8_t> bytes = value.Bytes(0, length);
    if (bytes.empty() || m_foreignNames.size() + bytes.size() >= kForeignName) continue;
    m_nameByNamespace[nameSpace] = kForeignName | static_cast<std::uint32_t>(m_foreignNames.size());
    m_foreignNames.insert(m_foreignNames.end(), bytes.begin(), bytes.end());
    if (m_nParentRecord == kNoParent) m_nParentRecord = value.U32(file_name::kParent);
  }
}

std::uint32_t CMFTRecordBase::PreferredNameSlot() const {
  // POSIX names are full long names too (the only name of files made by
  // POSIX systems), so they come before the short DOS name.
  for (std::uint8_t nameSpace : {kNamespaceWin32AndDos, kNamespaceWin32, kNamespacePosix, kNamespaceDos}) {
    if (m_nameByNamespace[nameSpace] != kAbsent) return m_nameByNamespace[nameSpace];
  }
  return kAbsent;
}

LeReader CMFTRecordBase::FileNameValue(std::uint32_t slot) const {
  if (slot == kAbsent) return LeReader();
  if ((slot & kForeignName) != 0) {
    const std::size_t offset = slot & (kForeignName - 1);
    if (offset >= m_foreignNames.size()) return LeReader();
    return LeReader(std::span<const std::uint8_t>(m_foreignNames).subspan(offset));
  }
  if (slot >= kRecordBytes) return LeReader();
  return LeReader(Bytes().subspan(slot));
}

WString CMFTRecordBase::PreferredWideName() const {
  LeReader value = FileNameValue(PreferredNameSlot());
  const std::size_t length = value.U8(file_name::kNameLength);
  WString name;
  if (!value.Has(file_name::kName, length * 2)) return name;
  name.resize(length);
  for (std::size_t i = 0; i < length; ++i) {
    name[i] = static_cast<WChar>(value.U16(file_name::kName + 2 * i));
  }
  return name;
}

std::string CMFTRecordBase::PreferredName() const { return platform::ToNarrow(PreferredWideName()); }

std::uint32_t CMFTRecordBase::TreeParent() const {
  for (std::uint8_t nameSpace : {kNamespaceDos, kNamespaceWin32, kNamespaceWin32AndDos, kNamespacePosix}) {
    if (m_nameByNamespace[nameSpace] != kAbsent) {
      LeReader value = FileNameValue(m_nameByNamespace[nameSpace]);
      return value.U32(file_name::kParent);
    }
  }
  return kRootRecord;
}

FileTime CMFTRecordBase::CreationTime() const {
  if (m_standardInformation == kAbsent) return 0;
  LeReader rec(Bytes());
  return rec.U64(m_standardInformation + std_info::kCreationTime);
}

FileTime CMFTRecordBase::ModifiedTime() const {
  if (m_standardInformation == kAbsent) return 0;
  LeReader rec(Bytes());
  return rec.U64(m_standardInformation + std_info::kModifiedTime);
}

}  // namespace tv
