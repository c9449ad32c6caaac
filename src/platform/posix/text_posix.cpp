// UTF-8 <-> UTF-16. Malformed input becomes U+FFFD: one replacement for each
// unpaired surrogate, and for each maximal part of a broken UTF-8 sequence.
// Paths keep their malformed bytes instead, as escapes U+DC80..U+DCFF.
#include <cstdint>

#include "platform/text.h"

namespace tv::platform {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// A byte 0x80..0xFF of a path that is not valid UTF-8 stands in UTF-16 as
// kByteEscape + the byte: an unpaired low surrogate, which valid UTF-8 never
// gives.
constexpr char32_t kByteEscape = 0xDC00;

bool IsHighSurrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
bool IsByteEscape(char32_t c) { return c >= kByteEscape + 0x80 && c <= kByteEscape + 0xFF; }

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

void AppendUtf16(WString& out, char32_t c) {
  if (c < 0x10000) {
    out += static_cast<char16_t>(c);
  } else {
    c -= 0x10000;
    out += static_cast<char16_t>(0xD800 | (c >> 10));
    out += static_cast<char16_t>(0xDC00 | (c & 0x3FF));
  }
}

// The length of the sequence a lead byte starts and the range its second byte
// must fall in (which rules out overlong forms, surrogates and values past
// U+10FFFF); 0 for a byte that cannot start a sequence.
struct LeadByte {
  int length;
  std::uint8_t secondLow, secondHigh;
};

LeadByte Classify(std::uint8_t b) {
  if (b >= 0xC2 && b <= 0xDF) return {2, 0x80, 0xBF};
  if (b == 0xE0) return {3, 0xA0, 0xBF};
  if (b == 0xED) return {3, 0x80, 0x9F};
  if (b >= 0xE1 && b <= 0xEF) return {3, 0x80, 0xBF};
  if (b == 0xF0) return {4, 0x90, 0xBF};
  if (b >= 0xF1 && b <= 0xF3) return {4, 0x80, 0xBF};
  if (b == 0xF4) return {4, 0x80, 0x8F};
  return {0, 0, 0};
}

std::string Encode(WStringView wide, bool keepBytes) {
  std::string out;
  out.reserve(wide.size() * 3);
  for (std::size_t i = 0; i < wide.size(); ++i) {
    char32_t c = wide[i];
    if (IsHighSurrogate(c) && i + 1 < wide.size() && IsLowSurrogate(wide[i + 1])) {
      c = 0x10000 + ((c - 0xD800) << 10) + (wide[i + 1] - 0xDC00);
      ++i;
    } else if (keepBytes && IsByteEscape(c)) {
      out += static_cast<char>(c - kByteEscape);
      continue;
    } else if (IsHighSurrogate(c) || IsLowSurrogate(c)) {
      c = kReplacement;
    }
    AppendUtf8(out, c);
  }
  return out;
}

WString Decode(std::string_view narrow, bool keepBytes) {
  WString out;
  out.reserve(narrow.size());
  std::size_t i = 0;
  while (i < narrow.size()) {
    const auto lead = static_cast<std::uint8_t>(narrow[i]);
    if (lead < 0x80) {
      out += static_cast<char16_t>(lead);
      ++i;
      continue;
    }
    const LeadByte kind = Classify(lead);
    if (kind.length == 0) {
      out += static_cast<char16_t>(keepBytes ? kByteEscape + lead : kReplacement);
      ++i;
      continue;
    }
    char32_t c = lead & (0xFF >> (kind.length + 1));
    std::size_t used = 1;
    bool complete = true;
    for (; used < static_cast<std::size_t>(kind.length); ++used) {
      if (i + used >= narrow.size()) {
        complete = false;
        break;
      }
      const auto next = static_cast<std::uint8_t>(narrow[i + used]);
      const std::uint8_t low = used == 1 ? kind.secondLow : 0x80;
      const std::uint8_t high = used == 1 ? kind.secondHigh : 0xBF;
      if (next < low || next > high) {
        complete = false;
        break;
      }
      c = (c << 6) | (next & 0x3F);
    }
    if (!complete && keepBytes) {
      // Only the lead byte is kept here: the bytes after it may start a
      // sequence of their own.
      out += static_cast<char16_t>(kByteEscape + lead);
      ++i;
      continue;
    }
    AppendUtf16(out, complete ? c : kReplacement);
    i += used;
  }
  return out;
}

}  // namespace

std::string ToNarrow(WStringView wide) { return Encode(wide, false); }
WString ToWide(std::string_view narrow) { return Decode(narrow, false); }
std::string ToNarrowPath(WStringView wide) { return Encode(wide, true); }
WString ToWidePath(std::string_view narrow) { return Decode(narrow, true); }

}  // namespace tv::platform
