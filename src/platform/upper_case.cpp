// Locale-independent upper-casing of names. Covers ASCII and the simple
// mappings of Latin-1, Latin Extended-A, Greek and Cyrillic, which is what
// file names on these volumes use in practice; other characters stay as they are.
#include <cstdint>

#include "platform/text.h"

namespace tv::platform {

namespace {

enum class Mapping : std::uint8_t {
  Shift,  // every character of the range moves by `delta`
  Pairs,  // capital and small letters alternate, starting with a capital
};

struct CaseRange {
  char16_t first;
  char16_t last;
  Mapping mapping;
  int delta;
};

constexpr CaseRange kRanges[] = {
    {0x0061, 0x007A, Mapping::Shift, -32},   // a-z
    {0x00E0, 0x00F6, Mapping::Shift, -32},   // Latin-1 letters before the division sign
    {0x00F8, 0x00FE, Mapping::Shift, -32},   // and after it
    {0x00FF, 0x00FF, Mapping::Shift, 0x79},  // y with diaeresis -> U+0178
    {0x0100, 0x012F, Mapping::Pairs, 0},
    {0x0132, 0x0137, Mapping::Pairs, 0},
    {0x0139, 0x0148, Mapping::Pairs, 0},
    {0x014A, 0x0177, Mapping::Pairs, 0},
    {0x0179, 0x017E, Mapping::Pairs, 0},
    {0x03AC, 0x03AC, Mapping::Shift, -38},  // Greek letters with tonos
    {0x03AD, 0x03AF, Mapping::Shift, -37},
    {0x03B1, 0x03C1, Mapping::Shift, -32},  // alpha-rho
    {0x03C2, 0x03C2, Mapping::Shift, -31},  // final sigma -> capital sigma
    {0x03C3, 0x03CB, Mapping::Shift, -32},  // sigma-upsilon with dialytika
    {0x03CC, 0x03CC, Mapping::Shift, -64},
    {0x03CD, 0x03CE, Mapping::Shift, -63},
    {0x0430, 0x044F, Mapping::Shift, -32},  // Cyrillic a-ya
    {0x0450, 0x045F, Mapping::Shift, -80},  // Cyrillic ie with grave-dzhe
    {0x0460, 0x0481, Mapping::Pairs, 0},
    {0x048A, 0x04BF, Mapping::Pairs, 0},
    {0x04C1, 0x04CE, Mapping::Pairs, 0},
    {0x04CF, 0x04CF, Mapping::Shift, -15},  // palochka
    {0x04D0, 0x052F, Mapping::Pairs, 0},
};

char16_t ToUpperChar(char16_t c) {
  if (c < 0x80) return c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - 32) : c;
  for (const CaseRange& range : kRanges) {
    if (c < range.first || c > range.last) continue;
    if (range.mapping == Mapping::Shift) return static_cast<char16_t>(c + range.delta);
    return (c - range.first) % 2 == 1 ? static_cast<char16_t>(c - 1) : c;
  }
  return c;
}

}  // namespace

WString ToUpper(WStringView text) {
  WString upper(text);
  for (char16_t& c : upper) c = ToUpperChar(c);
  return upper;
}

std::string ToUpperNarrow(std::string_view text) {
  bool ascii = true;
  for (char c : text) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (!ascii) return ToNarrow(ToUpper(ToWide(text)));
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  }
  return upper;
}

}  // namespace tv::platform
