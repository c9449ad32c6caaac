// _CMFTRecord: the attribute walk of one MFT record, the name choice and
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

_CMFTRecord::_CMFTRecord(std::uint8_t* buffer, std::uint32_t number, bool ownsBuffer,
                         CNTFSParser* parser)
    : m_pRecord(buffer), m_nRecordNumber(number), m_pParser(parser) {
  if (ownsBuffer) m_ownedBuffer.reset(buffer);
}

_CMFTRecord::~_CMFTRecord() = default;

void _CMFTRecord::Reset(std::uint8_t* buffer, std::uint32_t number) {
  m_ownedBuffer.reset();
  m_pRecord = buffer;
  m_nRecordNumber = number;
  ClearLocated();
}

void _CMFTRecord::ClearLocated() {
  m_nParentRecord = kNoParent;
  m_bCompressed = false;
  m_nIndexBlockSize = 4096;
  m_standardInformation = kAbsent;
  m_nameByNamespace.fill(kAbsent);
  m_foreignNames.clear();
  m_attributeList = m_data = m_indexRoot = m_indexAllocation = m_loggedUtilityStream = kAbsent;
  m_attributes.clear();
}

std::uint32_t _CMFTRecord::Signature() const {
  LeReader reader(Bytes());
  return reader.U32(record::kSignature);
}

bool _CMFTRecord::InUse() const {
  LeReader reader(Bytes());
  return (reader.U16(record::kFlags) & record::kFlagInUse) != 0;
}

std::uint64_t _CMFTRecord::BaseRecord() const {
  LeReader reader(Bytes());
  return reader.UN(record::kBaseRecord, record::kBaseRecordWidth);
}

LeReader _CMFTRecord::AttributeReader(std::uint16_t offset) const {
  if (offset == kAbsent || offset >= kRecordBytes) return LeReader();
  LeReader reader(Bytes());
  const std::size_t length = reader.U16(offset + attr::kLength);
  const std::size_t available = kRecordBytes - offset;
  return LeReader(Bytes().subspan(offset, std::min(length, available)));
}

bool _CMFTRecord::IsNonResident(std::uint16_t offset) const {
  LeReader reader = AttributeReader(offset);
  return reader.U8(attr::kNonResident) != 0;
}

std::span<const std::uint8_t> _CMFTRecord::ResidentValue(std::uint16_t offset) const {
  LeReader reader = AttributeReader(offset);
  const std::uint16_t valueOffset = reader.U16(attr::kValueOffset);
  const std::uint32_t valueLength = reader.U32(attr::kValueLength);
  if (!reader.ok()) return {};
  return reader.Bytes(valueOffset, valueLength);
}

std::size_t _CMFTRecord::RunListPosition(std::uint16_t offset) const {
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

int _CMFTRecord::LocateRecordAttributes(bool extensionMode) {
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
    const std::uint32_t type = rec.U32(at + attr::kType);
    if (type == kAttrEnd || (type == 0 && !m_attributes.empty())) break;
    const std::uint32_t length = rec.U16(at + attr::kLength);
    if (length < attr::kCommonHeaderBytes) break;
    const auto offset = static_cast<std::uint16_t>(at);

    const bool nonResident = rec.U8(at + attr::kNonResident) != 0;
    const std::uint16_t nameOffset = rec.U16(at + attr::kNameOffset);
    const std::uint8_t nameLength = rec.U8(at + attr::kNameLength);
    const std::uint16_t flags = rec.U16(at + attr::kFlags);
    const std::uint32_t valueLength = rec.U32(at + attr::kValueLength);
    const std::uint16_t valueOffset = rec.U16(at + attr::kValueOffset);
    const bool fits = valueOffset <= kRecordBytes && valueLength <= kRecordBytes - valueOffset;
    // Where the value starts in the record, when that is inside it.
    const std::size_t valueAt = at + valueOffset;
    const bool valueInside = valueAt < kRecordBytes;

    switch (type) {
      case kAttrStandardInformation:
        if (length < kStdInfoMinLength || length > kStdInfoMaxLength) {
          Log().Format("$STANDARD_INFORMATION fail! pattr->length = %u", length);
        }
        if (valueOffset > kStdInfoMaxValueOffset) {
          Log().Format("$STANDARD_INFORMATION fail! pattr->value_offset = %u", valueOffset);
        }
        if (!fits) Log().Error("$STANDARD_INFORMATION fail");
        if (valueInside) m_standardInformation = static_cast<std::uint16_t>(valueAt);
        break;

      case kAttrAttributeList:
        Log().Message("_CMFTRecord::LocateRecordAttributes() - $ATTRIBUTE_LIST found!");
        if (length > kRecordBytes) Log().Format("$ATTRIBUTE_LIST fail! pattr->length = %u", length);
        if (valueOffset > kListMaxValueOffset) {
          Log().Format("$ATTRIBUTE_LIST fail! pattr->value_offset = %u", valueOffset);
        }
        if (!fits) Log().Message("$ATTRIBUTE_LIST fail!");
        if (nameOffset != 0 && nameOffset < kAttrListMinNameOffset) {
          Log().Format("$ATTRIBUTE_LIST fail! pattr->name_offset = %u", nameOffset);
        }
        m_attributeList = offset;
        break;

      case kAttrFileName: {
        if (length < kFileNameMinLength || length > kFileNameMaxLength) {
          Log().Format("$FILE_NAME fail! pattr->length = %u", length);
        }
        bool usable = true;
        if (valueOffset >= kFileNameMaxValueOffset) {
          Log().Format("$FILE_NAME fail! pattr->value_offset = %u", valueOffset);
          usable = false;
        }
        if (!fits) Log().Error("$FILE_NAME fail!");
        if (!valueInside) break;
        if (m_nParentRecord == kNoParent) m_nParentRecord = rec.U32(valueAt + file_name::kParent);
        // The name itself must lie inside the record to be used at all.
        const std::size_t nameChars = rec.U8(valueAt + file_name::kNameLength);
        if (!rec.Has(valueAt + file_name::kName, nameChars * 2)) usable = false;
        const std::uint8_t nameSpace = rec.U8(valueAt + file_name::kNamespace);
        if (usable && nameSpace <= kNamespaceWin32AndDos) {
          m_nameByNamespace[nameSpace] = static_cast<std::uint16_t>(valueAt);
        }
        break;
      }

      case kAttrData: {
        if (m_standardInformation != kAbsent &&
            (rec.U32(m_standardInformation + std_info::kAttributes) & kFileAttributeDirectory) != 0) {
          break;
        }
        if (length > kRecordBytes) Log().Format("$DATA fail! pattr->lehgth = %u", length);
        const std::uint8_t unit = nonResident ? rec.U8(at + attr::kCompressionUnit) : 0;
        if ((flags & attr::kFlagCompressed) != 0) {
          if (unit != 0 && unit != 4) Log().Error("$DATA fail!");
          if (unit != 0) m_bCompressed = true;
        }
        if (nameLength != 0 || m_data != kAbsent) break;
        // In a base record the first $DATA piece starts at VCN 0, so these
        // bytes read as a small resident value; extension records hold later
        // pieces whose VCN makes them large.
        if (extensionMode || static_cast<std::uint32_t>(valueOffset) + valueLength <= kRecordBytes) {
          m_data = offset;
        } else {
          Log().Error("$DATA fail!");
        }
        break;
      }

      case kAttrIndexRoot:
        if (length > kRecordBytes) return kStatusIndexRootTooLong;
        if (valueOffset >= kIndexRootMaxValueOffset) status = kStatusValueOffset;
        if (!fits) status = kStatusValueLength;
        if (nameOffset != 0 && nameOffset > kMaxNameOffset) status = kStatusNameOffset;
        m_indexRoot = offset;
        if (valueInside) {
          const std::uint32_t blockSize = rec.U32(valueAt + index_root::kIndexBlockSize);
          if (blockSize == 2048 || blockSize == 4096) m_nIndexBlockSize = blockSize;
        }
        break;

      case kAttrIndexAllocation:
        if (!nonResident) {
          status = kStatusIndexAllocationResident;
        } else if (length > kRecordBytes) {
          status = kStatusIndexAllocationTooLong;
        } else if (valueOffset > kListMaxValueOffset) {
          status = kStatusValueOffset;
        } else if (!fits) {
          status = kStatusValueLength;
        } else if (nameOffset != 0 && nameOffset > kMaxNameOffset) {
          status = kStatusNameOffset;
        }
        m_indexAllocation = offset;
        break;

      case kAttrLoggedUtilityStream:
        if (length > kRecordBytes) Log().Format("$LOGGED_UTILITY_STREAM fail! pattr->length = %u", length);
        if (valueOffset > kListMaxValueOffset) {
          Log().Format("$LOGGED_UTILITY_STREAM fail! pattr->value_offset = %u", valueOffset);
        }
        if (!fits) Log().Message("$LOGGED_UTILITY_STREAM fail!");
        if (nameOffset > kMaxNameOffset) {
          Log().Format("$LOGGED_UTILITY_STREAM fail! pattr->name_offset = %u", nameOffset);
        }
        m_loggedUtilityStream = offset;
        break;

      default:
        break;
    }
    m_attributes.push_back(offset);
    at += length;
  }

  if (status != 0) {
    Log().Format("_CMFTRecord::LocateRecordAttributes() - some errors occured while parsing record number %u",
                 m_nRecordNumber);
    Log().Format("last error code is %u", static_cast<unsigned>(status));
  }
  return status;
}

void _CMFTRecord::AdoptNames(const _CMFTRecord& extension) {
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

std::uint32_t _CMFTRecord::PreferredNameSlot() const {
  // POSIX names are full long names too (the only name of files made by
  // POSIX systems), so they come before the short DOS name.
  for (std::uint8_t nameSpace : {kNamespaceWin32AndDos, kNamespaceWin32, kNamespacePosix, kNamespaceDos}) {
    if (m_nameByNamespace[nameSpace] != kAbsent) return m_nameByNamespace[nameSpace];
  }
  return kAbsent;
}

LeReader _CMFTRecord::FileNameValue(std::uint32_t slot) const {
  if (slot == kAbsent) return LeReader();
  if ((slot & kForeignName) != 0) {
    const std::size_t offset = slot & (kForeignName - 1);
    if (offset >= m_foreignNames.size()) return LeReader();
    return LeReader(std::span<const std::uint8_t>(m_foreignNames).subspan(offset));
  }
  if (slot >= kRecordBytes) return LeReader();
  return LeReader(Bytes().subspan(slot));
}

WString _CMFTRecord::PreferredWideName() const {
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

std::string _CMFTRecord::PreferredName() const { return platform::ToNarrow(PreferredWideName()); }

std::uint32_t _CMFTRecord::TreeParent() const {
  for (std::uint8_t nameSpace : {kNamespaceDos, kNamespaceWin32, kNamespaceWin32AndDos, kNamespacePosix}) {
    if (m_nameByNamespace[nameSpace] != kAbsent) {
      LeReader value = FileNameValue(m_nameByNamespace[nameSpace]);
      return value.U32(file_name::kParent);
    }
  }
  return kRootRecord;
}

FileTime _CMFTRecord::CreationTime() const {
  if (m_standardInformation == kAbsent) return 0;
  LeReader rec(Bytes());
  return rec.U64(m_standardInformation + std_info::kCreationTime);
}

FileTime _CMFTRecord::ModifiedTime() const {
  if (m_standardInformation == kAbsent) return 0;
  LeReader rec(Bytes());
  return rec.U64(m_standardInformation + std_info::kModifiedTime);
}

}  // namespace tv
