// Short names, long-name parts and the joining of long-name runs, on entries
// built as bytes.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "fat/dos_time.h"
#include "fat/fat_names.h"
#include "platform/text.h"

namespace tv::fat {
namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ShortEntry(const std::string& name11, std::uint8_t attributes = 0x20) {
  Bytes entry(32, 0);
  for (std::size_t i = 0; i < 11; ++i) entry[i] = static_cast<std::uint8_t>(name11[i]);
  entry[11] = attributes;
  return entry;
}

// One long-name entry with up to 13 units of `part`: a 0x0000 after the
// text and 0xFFFF after that, as file systems write them.
Bytes LongEntry(std::uint8_t ordinal, const std::u16string& part) {
  Bytes entry(32, 0);
  entry[0] = ordinal;
  entry[11] = 0x0F;
  static constexpr std::size_t kOffsets[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
  for (std::size_t i = 0; i < 13; ++i) {
    const char16_t unit = i < part.size() ? part[i] : (i == part.size() ? u'\0' : u'\uFFFF');
    entry[kOffsets[i]] = static_cast<std::uint8_t>(unit);
    entry[kOffsets[i] + 1] = static_cast<std::uint8_t>(unit >> 8);
  }
  return entry;
}

Bytes Join(const std::vector<Bytes>& slots) {
  Bytes all;
  for (const Bytes& s : slots) all.insert(all.end(), s.begin(), s.end());
  return all;
}

TEST(FatNamesTest, FormatsShortNames) {
  struct Case {
    std::string field;
    std::string shown;
  };
  const std::vector<Case> cases{
      {"README  TXT", "README.TXT"},
      {"MAKEFILE   ", "MAKEFILE"},
      {"A       B  ", "A.B"},
      {"\xE5" "EPORT  DOC", "_EPORT.DOC"},
      {"\x9A" "BER    TXT", "\xC3\x9C" "BER.TXT"},  // code page 437: Ü
      {std::string(11, '\0'), ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatShortName(ShortEntry(c.field)), c.shown) << c.shown;
  }
  EXPECT_EQ(FormatShortName(Bytes(31, 'A')), "");
}

TEST(FatNamesTest, ReadsTheUnitsOfOneLongNameEntry) {
  EXPECT_EQ(ReadLongNamePart(LongEntry(0x41, u"Report.doc")).text, u"Report.doc");
  EXPECT_EQ(ReadLongNamePart(LongEntry(0x41, u"abcdefghijklm")).text, u"abcdefghijklm");
  EXPECT_EQ(ReadLongNamePart(LongEntry(0x41, u"abc")).ordinal, 0x41);

  // Groups filled with 0xFF end the part where they begin.
  Bytes entry = LongEntry(0x01, u"abcdefghijklm");
  std::fill(entry.begin() + 28, entry.end(), 0xFF);
  EXPECT_EQ(ReadLongNamePart(entry).text, u"abcdefghijk");
  std::fill(entry.begin() + 14, entry.begin() + 26, 0xFF);
  EXPECT_EQ(ReadLongNamePart(entry).text, u"abcde");
  std::fill(entry.begin() + 1, entry.begin() + 11, 0xFF);
  EXPECT_EQ(ReadLongNamePart(entry).text, u"");
}

TEST(FatNamesTest, AssemblesLongNameRuns) {
  const Bytes shortEntry = ShortEntry("NAMEOF~1TXT");
  struct Case {
    const char* name;
    Bytes directory;
    bool ok;
    std::uint32_t count;
    std::string text;
  };
  Bytes deletedFirst = LongEntry(0xE5, u"oc");
  Bytes deletedSecond = LongEntry(0xE5, u"Report.d");
  Bytes deletedShort = ShortEntry("\xE5" "EPORT  DOC");
  const std::vector<Case> cases{
      {"a run of two", Join({LongEntry(0x42, u"t"), LongEntry(0x01, u"Long name.tx"), shortEntry}), true, 2,
       "Long name.txt"},
      {"a Unicode name", Join({LongEntry(0x41, u"Привет.txt"), shortEntry}), true, 1, "Привет.txt"},
      {"no 0x40 mark: empty, nothing taken", Join({LongEntry(0x01, u"abc"), shortEntry}), true, 0, ""},
      {"a deleted run gets _ for its first character", Join({deletedFirst, deletedSecond, deletedShort}), true,
       2, "_eport.doc"},
      {"a run with no room for its short entry", LongEntry(0x41, u"abc"), false, 0, ""},
      {"a run cut by the directory's end", Join({LongEntry(0x43, u"c"), LongEntry(0x02, u"b")}), false, 0, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WString text = u"old";
    std::uint32_t count = 99;
    EXPECT_EQ(AssembleLongName(c.directory, 0, &text, count), c.ok);
    if (!c.ok) continue;
    EXPECT_EQ(count, c.count);
    EXPECT_EQ(platform::ToNarrow(text), c.text);
  }

  // A name that would reach 260 units is refused: a deleted run of 20 full
  // entries holds 260.
  std::vector<Bytes> slots(20, LongEntry(0xE5, u"abcdefghijklm"));
  slots.push_back(deletedShort);
  std::uint32_t count = 0;
  EXPECT_FALSE(AssembleLongName(Join(slots), 0, nullptr, count));
  slots.erase(slots.begin());
  EXPECT_TRUE(AssembleLongName(Join(slots), 0, nullptr, count));
  EXPECT_EQ(count, 19u);

  // A first entry outside the directory.
  EXPECT_FALSE(AssembleLongName(shortEntry, 32, nullptr, count));
}

TEST(FatNamesTest, ConvertsDosDatesAndTimes) {
  // 2021-06-15 10:20:30: date (41 << 9) | (6 << 5) | 15, time (10 << 11) | (20 << 5) | 15.
  const std::optional<FileTime> time = DosDateTimeToFileTime((41 << 9) | (6 << 5) | 15, (10 << 11) | (20 << 5) | 15);
  ASSERT_TRUE(time.has_value());
  EXPECT_EQ(*time, 132682260300000000ull);
  EXPECT_FALSE(DosDateTimeToFileTime((41 << 9) | (13 << 5) | 1, 0).has_value());  // month 13
  EXPECT_FALSE(DosDateTimeToFileTime((41 << 9) | (2 << 5) | 30, 0).has_value());  // 30 February
  EXPECT_FALSE(DosDateTimeToFileTime((41 << 9) | (1 << 5) | 1, 24 << 11).has_value());
}

}  // namespace
}  // namespace tv::fat
