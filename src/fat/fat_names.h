// Names of FAT directory entries: the 8.3 short name of an entry, and the
// long name that a run of long-name entries in front of it spells.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "platform/types.h"

namespace tv::fat {

// The longest long name, in UTF-16 units, that a run may spell; a run that
// would reach it is refused.
inline constexpr std::size_t kMaxLongNameUnits = 260;

struct LongNamePart {
  WString text;
  std::uint8_t ordinal = 0;
};

// The characters one long-name entry holds (up to 13 UTF-16 units; a group
// filled with 0xFF ends the part, so does a 0x0000 unit) and its ordinal.
// `entry` must hold 32 bytes; a shorter one gives an empty part.
LongNamePart ReadLongNamePart(std::span<const std::uint8_t> entry);

// Joins the long name of the run that starts at byte `first` of `directory`.
// The entry stored first carries the last part of the name and the 0x40 mark
// with the number of entries; the ones after it carry the earlier parts and
// are taken until a slot is no long-name entry or the count runs out. A
// deleted run (first byte 0xE5) has no count, so it runs to the first slot
// that is not a long-name entry, and its name begins with "_".
//
// True on success, with `count` the number of long-name entries taken (the
// short entry stands `count` slots after `first`) and `text`, when given, the
// name. A first entry without the 0x40 mark gives count 0 and an empty name.
// False when `first` holds no entry, the name would reach kMaxLongNameUnits,
// or the run leaves no room for its short entry inside `directory`.
bool AssembleLongName(std::span<const std::uint8_t> directory, std::size_t first,
                      WString* text, std::uint32_t& count);

// The 8.3 name of a short entry: the name field without its trailing blanks,
// then "." and the extension when the extension is not blank. Either field
// ends at a zero byte. A deleted entry's first byte (0xE5) is shown as "_";
// other bytes above 0x7F are read in the OEM code page 437.
std::string FormatShortName(std::span<const std::uint8_t> entry);

}  // namespace tv::fat
