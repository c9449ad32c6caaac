// The on-disk structures of NTFS that the parser reads, each declared once
// with the offset of every field it uses. All values are little-endian and
// are read through LeReader, never by casting a pointer into a buffer.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tv::ntfs {

// The only geometry the engine handles: 512-byte sectors, 1024-byte records
// (two sectors each). Other volumes are refused when they are prepared.
inline constexpr std::uint32_t kSectorBytes = 512;
inline constexpr std::uint32_t kRecordBytes = 1024;
// Data sizes are taken modulo 2^40 (1 TiB): larger values in a damaged
// record would make a reader produce zeros for days.
inline constexpr std::uint64_t kSizeMask = (std::uint64_t{1} << 40) - 1;
inline constexpr std::uint32_t kSectorsPerRecord = kRecordBytes / kSectorBytes;

// Record numbers below this are the volume's own metadata files.
inline constexpr std::uint32_t kFirstUserRecord = 16;
inline constexpr std::uint32_t kRootRecord = 5;
inline constexpr std::uint32_t kBitmapRecord = 6;

// Signatures of MFT records and index blocks, read as a u32.
inline constexpr std::uint32_t kSignatureFile = 0x454C4946;  // "FILE"
inline constexpr std::uint32_t kSignatureIndx = 0x58444E49;  // "INDX"
inline constexpr std::uint32_t kSignatureBaad = 0x44414142;  // "BAAD"
inline constexpr std::uint32_t kSignatureChkb = 0x424B4843;  // "CHKB"
inline constexpr std::uint32_t kSignatureHole = 0x454C4F48;  // "HOLE"

// Boot sector (sector 0).
namespace boot {
inline constexpr std::size_t kBytesPerSector = 0x0B;     // u16
inline constexpr std::size_t kSectorsPerCluster = 0x0D;  // u8
inline constexpr std::size_t kTotalSectors = 0x28;       // u64
inline constexpr std::size_t kMftCluster = 0x30;         // u64
inline constexpr std::size_t kMftMirrorCluster = 0x38;   // u64
// s8: clusters per record when positive, else the record is 2^-n bytes.
inline constexpr std::size_t kClustersPerRecord = 0x40;
}  // namespace boot

// MFT record header ("FILE"); also the start of an index block ("INDX"),
// whose update sequence sits at the same offsets.
namespace record {
inline constexpr std::size_t kSignature = 0x00;        // u32
inline constexpr std::size_t kUpdateSeqOffset = 0x04;  // u16
inline constexpr std::size_t kUpdateSeqCount = 0x06;   // u16
inline constexpr std::size_t kFirstAttribute = 0x14;   // u16
inline constexpr std::size_t kFlags = 0x16;            // u16
inline constexpr std::size_t kBaseRecord = 0x20;       // 48-bit record number + u16 sequence
inline constexpr std::size_t kBaseRecordWidth = 6;
inline constexpr std::size_t kRecordNumber = 0x2C;  // u32
inline constexpr std::uint16_t kFlagInUse = 0x0001;
// The header offset of the update sequence that records written with
// record numbers in their header use.
inline constexpr std::uint16_t kModernUpdateSeqOffset = 0x30;
}  // namespace record

// Attribute header, common part and the resident and non-resident forms.
namespace attr {
inline constexpr std::size_t kType = 0x00;           // u32
inline constexpr std::size_t kLength = 0x04;         // u32, only the low 16 bits are used
inline constexpr std::size_t kNonResident = 0x08;    // u8
inline constexpr std::size_t kNameLength = 0x09;     // u8, UTF-16 units
inline constexpr std::size_t kNameOffset = 0x0A;     // u16
inline constexpr std::size_t kFlags = 0x0C;          // u16
inline constexpr std::size_t kValueLength = 0x10;    // u32 (resident)
inline constexpr std::size_t kValueOffset = 0x14;    // u16 (resident)
inline constexpr std::size_t kStartVcn = 0x10;       // u64 (non-resident)
inline constexpr std::size_t kRunListOffset = 0x20;  // u16 (non-resident)
inline constexpr std::size_t kCompressionUnit = 0x22;  // u8 (non-resident)
inline constexpr std::size_t kAllocatedSize = 0x28;  // u64 (non-resident)
inline constexpr std::size_t kDataSize = 0x30;       // u64 (non-resident)
// Where the run list starts when the attribute has no name.
inline constexpr std::size_t kNonResidentHeaderBytes = 0x40;
// Bytes of the compressed-size field that follows the header of a
// compressed or sparse attribute, and that header's length.
inline constexpr std::size_t kCompressedSizeBytes = 8;
inline constexpr std::size_t kCompressedHeaderBytes = kNonResidentHeaderBytes + kCompressedSizeBytes;
inline constexpr std::size_t kCommonHeaderBytes = 0x10;
inline constexpr std::uint16_t kFlagCompressed = 0x0001;
inline constexpr std::uint16_t kFlagSparse = 0x8000;
}  // namespace attr

// Attribute types.
inline constexpr std::uint32_t kAttrStandardInformation = 0x10;
inline constexpr std::uint32_t kAttrAttributeList = 0x20;
inline constexpr std::uint32_t kAttrFileName = 0x30;
inline constexpr std::uint32_t kAttrData = 0x80;
inline constexpr std::uint32_t kAttrIndexRoot = 0x90;
inline constexpr std::uint32_t kAttrIndexAllocation = 0xA0;
inline constexpr std::uint32_t kAttrLoggedUtilityStream = 0x100;
inline constexpr std::uint32_t kAttrEnd = 0xFFFFFFFF;

// $STANDARD_INFORMATION value.
namespace std_info {
inline constexpr std::size_t kCreationTime = 0x00;  // u64 FILETIME
inline constexpr std::size_t kModifiedTime = 0x08;  // u64
inline constexpr std::size_t kAccessTime = 0x18;    // u64
inline constexpr std::size_t kAttributes = 0x20;    // u32
}  // namespace std_info

// $FILE_NAME value; also the key of a directory index entry.
namespace file_name {
inline constexpr std::size_t kParent = 0x00;        // u64 reference, low 32 bits used
inline constexpr std::size_t kCreationTime = 0x08;  // u64
inline constexpr std::size_t kModifiedTime = 0x10;  // u64
inline constexpr std::size_t kAccessTime = 0x20;    // u64
inline constexpr std::size_t kDataSize = 0x30;      // u64
inline constexpr std::size_t kAttributes = 0x38;    // u32
inline constexpr std::size_t kNameLength = 0x40;    // u8, UTF-16 units
inline constexpr std::size_t kNamespace = 0x41;     // u8
inline constexpr std::size_t kName = 0x42;          // UTF-16
inline constexpr std::uint32_t kAttributeDirectory = 0x10000000;
}  // namespace file_name

// Name namespaces of $FILE_NAME.
inline constexpr std::uint8_t kNamespacePosix = 0;
inline constexpr std::uint8_t kNamespaceWin32 = 1;
inline constexpr std::uint8_t kNamespaceDos = 2;
inline constexpr std::uint8_t kNamespaceWin32AndDos = 3;

// $INDEX_ROOT value: index parameters, then an index node header.
namespace index_root {
inline constexpr std::size_t kIndexBlockSize = 0x08;  // u32
inline constexpr std::size_t kNodeHeader = 0x10;
}  // namespace index_root

// Index node header, at 0x10 of $INDEX_ROOT's value and at 0x18 of an INDX block.
namespace index_node {
inline constexpr std::size_t kEntriesOffset = 0x00;  // u32, from the node header
inline constexpr std::size_t kIndexLength = 0x04;    // u32, from the node header
}  // namespace index_node

// INDX block.
namespace index_block {
inline constexpr std::size_t kNodeHeader = 0x18;
}  // namespace index_block

// Directory index entry.
namespace index_entry {
inline constexpr std::size_t kFileReference = 0x00;  // u64, low 32 bits = record number
inline constexpr std::size_t kLength = 0x08;         // u16
inline constexpr std::size_t kKeyLength = 0x0A;      // u16
inline constexpr std::size_t kFlags = 0x0C;          // u8
inline constexpr std::size_t kKey = 0x10;            // $FILE_NAME value
inline constexpr std::uint8_t kFlagLast = 0x02;
inline constexpr std::size_t kHeaderBytes = 0x10;
// The smallest entry that carries a name: header plus the fixed key part.
inline constexpr std::size_t kNamedEntryBytes = kKey + file_name::kName;
}  // namespace index_entry

// $ATTRIBUTE_LIST entry.
namespace attr_list_entry {
inline constexpr std::size_t kType = 0x00;       // u32
inline constexpr std::size_t kLength = 0x04;     // u16
inline constexpr std::size_t kStartVcn = 0x08;   // u64
inline constexpr std::size_t kSegment = 0x10;    // u64 reference, low 32 bits used
inline constexpr std::size_t kHeaderBytes = 0x1A;
}  // namespace attr_list_entry

// Compression units are 16 clusters; a chunk inside one is 4096 bytes.
inline constexpr std::uint32_t kCompressionUnitClusters = 16;

// Status values of the NTFS engine.
inline constexpr int kStatusAccessViolation = static_cast<int>(0xC0000005u);
inline constexpr int kStatusInvalidSignature = static_cast<int>(0xC0000003u);
inline constexpr int kStatusNoMemory = static_cast<int>(0xC0000009u);
// A volume whose geometry the engine does not handle.
inline constexpr int kStatusUnsupportedGeometry = static_cast<int>(0xC00000EDu);
inline constexpr int kStatusNoAttributes = static_cast<int>(0x80000002u);
inline constexpr int kStatusIndexRootTooLong = -40;
inline constexpr int kStatusIndexAllocationTooLong = -50;
inline constexpr int kStatusIndexAllocationResident = -52;
inline constexpr int kStatusValueOffset = -100;
inline constexpr int kStatusValueLength = -101;
inline constexpr int kStatusNameOffset = -102;
inline constexpr int kStatusStopped = -1000;

}  // namespace tv::ntfs
