// The line layout of the log's hex dumps.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tv {

inline constexpr std::size_t kHexDumpBytesPerLine = 16;
inline constexpr std::size_t kHexDumpLineLength = 78;

// One dump line of up to 16 bytes that start at `offset`: the offset as 8
// hex digits and ":", two spaces, a "XX " group per byte, a space, "|", a
// space and one character per byte (bytes below 0x20 as "."). Places of
// missing bytes stay blank, so every line is 78 characters long.
std::string HexDumpLine(std::uint32_t offset, const std::uint8_t* bytes, std::size_t count);

}  // namespace tv
