// The Recycle Bin's INFO2 index as the bin names read it: a header, then one
// fixed-size record per file in the bin. Every field is little-endian and is
// read through an LeReader over the bytes read from the file.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tv::info2 {

inline constexpr std::uint64_t kHeaderBytes = 20;
inline constexpr std::uint64_t kRecordBytes = 800;

// One record, offsets from its start.
namespace record {
inline constexpr std::uint64_t kNumber = 260;    // u32: the number in the bin file's name
inline constexpr std::uint64_t kWidePath = 280;  // UTF-16 original path, ended by a 0 unit
inline constexpr std::uint32_t kWidePathUnits = 260;
}  // namespace record

}  // namespace tv::info2
