#include "ntfs/update_sequence.h"

#include "disk/le_reader.h"
#include "ntfs/ntfs_layout.h"

namespace tv::ntfs {

int ApplyUpdateSequence(std::span<std::uint8_t> block, std::uint32_t stride) {
  LeReader reader(block);
  const std::size_t size = block.size();
  const std::uint16_t offset = reader.U16(record::kUpdateSeqOffset);
  const std::uint16_t count = reader.U16(record::kUpdateSeqCount);
  if (!reader.ok() || offset >= size || stride < 2) return kFixupBadOffset;
  const std::uint16_t number = reader.U16(offset);
  if (!reader.ok()) return kFixupBadOffset;

  for (std::size_t i = 0; i + 1 < count; ++i) {
    const std::size_t sectorEnd = (i + 1) * stride;
    const std::size_t saved = offset + 2 + 2 * i;
    if (sectorEnd > size || saved + 2 > size) break;
    const std::size_t word = sectorEnd - 2;
    if (reader.U16(word) != number) return kFixupMismatch;
    block[word] = block[saved];
    block[word + 1] = block[saved + 1];
  }
  return kFixupOk;
}

}  // namespace tv::ntfs
