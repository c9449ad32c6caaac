#include "ntfs/lznt1.h"

#include <algorithm>
#include <cstring>

namespace tv::ntfs {
namespace {

constexpr std::uint16_t kChunkSizeMask = 0x0FFF;
constexpr std::uint16_t kChunkCompressed = 0x8000;

// Expands one compressed chunk's data into `out` (at most one chunk's bytes).
// Returns the bytes produced, or false through `ok` on a corrupt token.
std::size_t ExpandChunk(std::span<const std::uint8_t> data, std::span<std::uint8_t> out, bool& ok) {
  std::size_t in = 0;
  std::size_t p = 0;
  while (in < data.size() && p < out.size()) {
    const std::uint8_t flags = data[in++];
    for (int bit = 0; bit < 8 && in < data.size() && p < out.size(); ++bit) {
      if ((flags & (1u << bit)) == 0) {
        out[p++] = data[in++];
        continue;
      }
      if (in + 2 > data.size()) {
        ok = false;
        return p;
      }
      const std::uint16_t token = static_cast<std::uint16_t>(data[in] | (data[in + 1] << 8));
      in += 2;
      if (p == 0) {
        ok = false;
        return p;
      }
      // The further into the chunk, the more bits the displacement needs.
      unsigned lengthBits = 12;
      for (std::size_t q = p - 1; q >= 16; q >>= 1) --lengthBits;
      const std::size_t length = (token & ((1u << lengthBits) - 1)) + 3;
      const std::size_t displacement = (static_cast<std::size_t>(token) >> lengthBits) + 1;
      if (displacement > p) {
        ok = false;
        return p;
      }
      // Byte by byte: a back-reference may overlap the bytes it produces.
      const std::size_t end = std::min(p + length, out.size());
      for (; p < end; ++p) out[p] = out[p - displacement];
    }
  }
  return p;
}

}  // namespace

Lznt1Result DecompressLznt1(std::span<const std::uint8_t> input, std::span<std::uint8_t> output) {
  Lznt1Result result;
  std::size_t in = 0;
  while (in + 2 <= input.size() && result.produced < output.size()) {
    const std::uint16_t header = static_cast<std::uint16_t>(input[in] | (input[in + 1] << 8));
    if ((header & kChunkSizeMask) == 0) break;
    const std::size_t dataBytes = static_cast<std::size_t>(header & kChunkSizeMask) + 1;
    in += 2;
    if (dataBytes > input.size() - in) {
      result.ok = false;
      break;
    }
    const std::span<const std::uint8_t> data = input.subspan(in, dataBytes);
    in += dataBytes;
    const std::size_t room = std::min(kLznt1ChunkBytes, output.size() - result.produced);
    const std::span<std::uint8_t> out = output.subspan(result.produced, room);
    if ((header & kChunkCompressed) == 0) {
      const std::size_t copied = std::min(data.size(), out.size());
      std::memcpy(out.data(), data.data(), copied);
      result.produced += copied;
      continue;
    }
    bool ok = true;
    result.produced += ExpandChunk(data, out, ok);
    if (!ok) {
      result.ok = false;
      break;
    }
  }
  return result;
}

}  // namespace tv::ntfs
