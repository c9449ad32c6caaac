// The update-sequence fixup shared by MFT records and INDX blocks: the last
// two bytes of every sector were replaced on disk by the update-sequence
// number, and the real bytes are kept in the update-sequence array.
#pragma once

#include <cstdint>
#include <span>

namespace tv::ntfs {

inline constexpr int kFixupOk = 0;
inline constexpr int kFixupBadOffset = -20;
inline constexpr int kFixupMismatch = -12;

// Restores the sector ends of `block` in place, `stride` bytes per sector.
// A sector whose end does not hold the update-sequence number stops the
// fixup there (earlier sectors stay fixed, later ones are left as read).
// Nothing outside `block` is read or written.
int ApplyUpdateSequence(std::span<std::uint8_t> block, std::uint32_t stride);

}  // namespace tv::ntfs
