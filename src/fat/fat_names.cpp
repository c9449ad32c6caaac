#include "fat/fat_names.h"

#include "disk/le_reader.h"
#include "fat/fat_layout.h"
#include "platform/text.h"

namespace tv::fat {
namespace {

// Code page 437 from 0x80 up, the OEM code page short names are stored in.
constexpr char16_t kCodePage437High[] =
    u"ÇüéâäàåçêëèïîìÄÅÉæÆôöòûùÿÖÜ¢£¥₧ƒáíóúñÑªº¿⌐¬½¼¡«»"
    u"░▒▓│┤╡╢╖╕╣║╗╝╜╛┐└┴┬├─┼╞╟╚╔╩╦╠═╬╧╨╤╥╙╘╒╓╫╪┘┌█▄▌▐▀"
    u"αßΓπΣσµτΦΘΩδ∞φε∩≡±≥≤⌠⌡÷≈°∙·√ⁿ²■\u00A0";
static_assert(sizeof(kCodePage437High) / sizeof(char16_t) == 128 + 1);

bool AllBytesAre(std::span<const std::uint8_t> bytes, std::uint8_t value) {
  for (std::uint8_t b : bytes) {
    if (b != value) return false;
  }
  return true;
}

// Appends a blank-padded field that may also end at a zero byte.
void AppendField(WString& out, std::span<const std::uint8_t> field, bool firstOfName) {
  std::size_t length = 0;
  while (length < field.size() && field[length] != 0) ++length;
  while (length > 0 && field[length - 1] == ' ') --length;
  for (std::size_t i = 0; i < length; ++i) {
    const std::uint8_t b = field[i];
    if (firstOfName && i == 0 && b == kDeletedMark) {
      out.push_back(u'_');
    } else {
      out.push_back(b < 0x80 ? static_cast<char16_t>(b) : kCodePage437High[b - 0x80]);
    }
  }
}

bool IsLongNameSlot(LeReader& directory, std::size_t offset) {
  return directory.Has(offset, kEntrySize) &&
         directory.U8(offset + entry::kAttributes) == kAttrLongName;
}

// Replaces the first character (both halves of a surrogate pair) with "_".
void MarkDeleted(WString& text) {
  if (text.empty()) return;
  const bool pair = text.size() > 1 && text[0] >= 0xD800 && text[0] <= 0xDBFF &&
                    text[1] >= 0xDC00 && text[1] <= 0xDFFF;
  text.replace(0, pair ? 2 : 1, u"_");
}

}  // namespace

LongNamePart ReadLongNamePart(std::span<const std::uint8_t> entryBytes) {
  LongNamePart part;
  if (entryBytes.size() < kEntrySize) return part;
  LeReader entry(entryBytes.first(kEntrySize));
  part.ordinal = entry.U8(long_name::kOrdinal);

  std::size_t units = long_name::kUnitsPerEntry;
  if (AllBytesAre(entry.Bytes(long_name::kUnits1, 10), 0xFF)) {
    units = 0;
  } else if (AllBytesAre(entry.Bytes(long_name::kUnits2, 12), 0xFF)) {
    units = 5;
  } else if (AllBytesAre(entry.Bytes(long_name::kUnits3, 4), 0xFF)) {
    units = 11;
  }
  for (std::size_t i = 0; i < units; ++i) {
    const std::size_t offset = i < 5    ? long_name::kUnits1 + i * 2
                               : i < 11 ? long_name::kUnits2 + (i - 5) * 2
                                        : long_name::kUnits3 + (i - 11) * 2;
    const char16_t unit = entry.U16(offset);
    if (unit == 0) break;
    part.text.push_back(unit);
  }
  return part;
}

bool AssembleLongName(std::span<const std::uint8_t> directoryBytes, std::size_t first,
                      WString* text, std::uint32_t& count) {
  LeReader directory(directoryBytes);
  count = 0;
  if (!directory.Has(first, kEntrySize)) return false;
  if (text) text->clear();

  LongNamePart part = ReadLongNamePart(directory.Bytes(first, kEntrySize));
  const bool deletedRun = part.ordinal == kDeletedMark;
  int remaining = static_cast<int>(part.ordinal) - (long_name::kLastPartMark + 1);
  if (remaining < 0) return true;

  // Every step moves one slot on and needs that slot inside the directory,
  // so the walk ends at the directory's end at the latest; a live run ends
  // sooner when its count runs out, any run when its name grows too long.
  WString name;
  std::size_t slot = first;
  for (;;) {
    if (name.size() + part.text.size() >= kMaxLongNameUnits) return false;
    ++count;
    name.insert(0, part.text);
    slot += kEntrySize;
    // The short entry must fit behind this slot.
    if (!directory.Has(slot, kEntrySize)) return false;
    if (!IsLongNameSlot(directory, slot)) break;
    if (remaining > 0) part = ReadLongNamePart(directory.Bytes(slot, kEntrySize));
    if (--remaining < 0) break;
  }
  if (text) {
    if (deletedRun) MarkDeleted(name);
    *text = std::move(name);
  }
  return true;
}

std::string FormatShortName(std::span<const std::uint8_t> entryBytes) {
  if (entryBytes.size() < kEntrySize) return {};
  WString name;
  AppendField(name, entryBytes.subspan(entry::kName, entry::kNameLength), true);
  WString extension;
  AppendField(extension, entryBytes.subspan(entry::kExtension, entry::kExtensionLength), false);
  if (!extension.empty()) {
    name.push_back(u'.');
    name += extension;
  }
  return platform::ToNarrow(name);
}

}  // namespace tv::fat
