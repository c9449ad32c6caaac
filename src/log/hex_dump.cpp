#include "log/hex_dump.h"

#include <algorithm>

namespace tv {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr std::size_t kOffsetDigits = 8;
constexpr std::size_t kFirstGroupColumn = 11;
constexpr std::size_t kBarColumn = 60;
constexpr std::size_t kFirstCharColumn = 62;

}  // namespace

std::string HexDumpLine(std::uint32_t offset, const std::uint8_t* bytes, std::size_t count) {
  std::string line(kHexDumpLineLength, ' ');
  for (std::size_t digit = 0; digit < kOffsetDigits; ++digit) {
    line[kOffsetDigits - 1 - digit] = kHexDigits[(offset >> (4 * digit)) & 0xF];
  }
  line[kOffsetDigits] = ':';
  line[kBarColumn] = '|';

  count = std::min(count, kHexDumpBytesPerLine);
  for (std::size_t k = 0; k < count; ++k) {
    const std::uint8_t byte = bytes[k];
    line[kFirstGroupColumn + 3 * k] = kHexDigits[byte >> 4];
    line[kFirstGroupColumn + 3 * k + 1] = kHexDigits[byte & 0xF];
    // Bytes from 0x7F up are shown as they are, like printable ones.
    line[kFirstCharColumn + k] = byte >= 0x20 ? static_cast<char>(byte) : '.';
  }
  return line;
}

}  // namespace tv
