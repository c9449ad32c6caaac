// The on-disk records of a FAT volume that the parsers read: the fields of
// the boot sector and of the 32-byte directory entries, each with its byte
// offset. Every read goes through an LeReader over the buffer that holds them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tv::fat {

// Boot sector (little-endian).
namespace boot {
inline constexpr std::size_t kBytesPerSector = 0x0B;     // u16
inline constexpr std::size_t kSectorsPerCluster = 0x0D;  // u8
inline constexpr std::size_t kReservedSectors = 0x0E;    // u16: first sector of the first FAT
inline constexpr std::size_t kFatCount = 0x10;           // u8
inline constexpr std::size_t kRootEntryCount = 0x11;     // u16, FAT12/16
inline constexpr std::size_t kTotalSectors16 = 0x13;     // u16, FAT12/16 when the 32-bit count is 0
inline constexpr std::size_t kSectorsPerFat16 = 0x16;    // u16, FAT12/16
inline constexpr std::size_t kTotalSectors32 = 0x20;     // u32
inline constexpr std::size_t kSectorsPerFat32 = 0x24;    // u32, FAT32
inline constexpr std::size_t kRootCluster = 0x2C;        // u32, FAT32
}  // namespace boot

// Directory entry (32 bytes).
inline constexpr std::size_t kEntrySize = 32;
namespace entry {
inline constexpr std::size_t kName = 0x00;            // 8 bytes, blank-padded
inline constexpr std::size_t kNameLength = 8;
inline constexpr std::size_t kExtension = 0x08;       // 3 bytes, blank-padded
inline constexpr std::size_t kExtensionLength = 3;
inline constexpr std::size_t kAttributes = 0x0B;      // u8
inline constexpr std::size_t kCreationTime = 0x0E;    // u16 DOS time
inline constexpr std::size_t kCreationDate = 0x10;    // u16 DOS date
inline constexpr std::size_t kAccessDate = 0x12;      // u16 DOS date
inline constexpr std::size_t kClusterHigh = 0x14;     // u16, FAT32 only
inline constexpr std::size_t kWriteTime = 0x16;       // u16 DOS time
inline constexpr std::size_t kWriteDate = 0x18;       // u16 DOS date
inline constexpr std::size_t kClusterLow = 0x1A;      // u16
inline constexpr std::size_t kFileSize = 0x1C;        // u32
}  // namespace entry

// Long-name entry (attribute 0x0F, 32 bytes): an ordinal, then 13 UTF-16
// units in three groups.
namespace long_name {
inline constexpr std::size_t kOrdinal = 0x00;
inline constexpr std::size_t kUnits1 = 0x01;  // units 1-5
inline constexpr std::size_t kUnits2 = 0x0E;  // units 6-11
inline constexpr std::size_t kUnits3 = 0x1C;  // units 12-13
inline constexpr std::size_t kUnitsPerEntry = 13;
// The entry stored first carries this mark plus the number of entries.
inline constexpr std::uint8_t kLastPartMark = 0x40;
}  // namespace long_name

// First byte of a name.
inline constexpr std::uint8_t kDeletedMark = 0xE5;
inline constexpr std::uint8_t kEndOfDirectory = 0x00;

// Attribute bits.
inline constexpr std::uint8_t kAttrReadOnly = 0x01;
inline constexpr std::uint8_t kAttrHidden = 0x02;
inline constexpr std::uint8_t kAttrSystem = 0x04;
inline constexpr std::uint8_t kAttrDirectory = 0x10;
inline constexpr std::uint8_t kAttrArchive = 0x20;
inline constexpr std::uint8_t kAttrLongName = 0x0F;
// The bits that reach the file information; the others are dropped.
inline constexpr std::uint8_t kAttrKept =
    kAttrDirectory | kAttrArchive | kAttrHidden | kAttrReadOnly | kAttrSystem;

}  // namespace tv::fat
