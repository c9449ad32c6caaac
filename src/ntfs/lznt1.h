// LZNT1, the compression of NTFS compression units: a sequence of chunks,
// each expanding to at most 4096 bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tv::ntfs {

inline constexpr std::size_t kLznt1ChunkBytes = 4096;

struct Lznt1Result {
  // Bytes written to the output, from its start.
  std::size_t produced = 0;
  // False when a chunk was corrupt (a back-reference before the chunk's
  // start, a chunk running past the input); what came before it is kept.
  bool ok = true;
};

// Expands `input` into `output` until the input ends, a chunk header with
// size bits 0 ends it, or the output is full. Every read stays inside
// `input` and every write inside `output`.
Lznt1Result DecompressLznt1(std::span<const std::uint8_t> input, std::span<std::uint8_t> output);

}  // namespace tv::ntfs
