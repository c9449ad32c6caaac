#include "app/cli/entry_format.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace tv {
namespace {

// 2024-05-06 10:00:00 and 1999-12-31 23:59:59 UTC.
constexpr FileTime kMay2024 = 133594632000000000ull;
constexpr FileTime kEndOf1999 = 125911583990000000ull;

TEST(EntryFormatTest, IsoTimeIsUtcOrEmptyWhenUnknown) {
  EXPECT_EQ(IsoTime(kMay2024), "2024-05-06T10:00:00Z");
  EXPECT_EQ(IsoTime(kEndOf1999), "1999-12-31T23:59:59Z");
  EXPECT_EQ(IsoTime(kEndOf1999 + 9999999), "1999-12-31T23:59:59Z") << "parts of a second are dropped";
  EXPECT_EQ(IsoTime(10000000), "1601-01-01T00:00:01Z");
  EXPECT_EQ(IsoTime(0), "");
}

TEST(EntryFormatTest, ScanLineHasAlignedColumnsAndAnEscapedPath) {
  TreeNode deleted(1234, "report.doc", 0, 1);
  deleted.size = 56789;
  deleted.modifiedTime = kMay2024;
  deleted.creationTime = kEndOf1999;
  EXPECT_EQ(FormatEntryLine(deleted, "\\Docs\\report.doc"),
            "Good             56789  2024-05-06T10:00:00Z  1999-12-31T23:59:59Z        1234  \\Docs\\report.doc");

  TreeNode damaged(4294967295u, "a\x1b[2Jb", 0, 1);
  damaged.damageLevel = 0.5f;
  damaged.size = 18446744073709551615ull;
  EXPECT_EQ(FormatEntryLine(damaged, "\\a\x1b[2Jb"),
            "Average 18446744073709551615  Unknown               Unknown               4294967295  \\a<1B>[2Jb");

  TreeNode folder(7, "Docs", kAttributeDirectory, 0);
  folder.creationTime = kMay2024;
  EXPECT_EQ(FormatEntryLine(folder, "\\Docs"),
            "RecBin               0  Unknown               2024-05-06T10:00:00Z           7  \\Docs");

  TreeNode lost(9, "gone.bin", 0, 1);
  lost.damageLevel = 1.0f;
  EXPECT_EQ(FormatEntryLine(lost, "\\gone.bin").substr(0, 8), "Poor    ");
}

TEST(EntryFormatTest, JsonStringEscapesQuotesBackslashesAndControlBytesOnly) {
  const struct {
    const char* label;
    std::string text;
    std::string json;
  } cases[] = {
      {"empty", "", "\"\""},
      {"plain", "report.doc", "\"report.doc\""},
      {"quote", "say \"hi\"", "\"say \\\"hi\\\"\""},
      {"backslashes", "\\Docs\\a", "\"\\\\Docs\\\\a\""},
      {"newline and tab", "a\nb\tc", "\"a\\u000ab\\u0009c\""},
      {"ESC and 0x1F", "\x1b\x1f", "\"\\u001b\\u001f\""},
      {"NUL", std::string("a\0b", 3), "\"a\\u0000b\""},
      {"DEL passes", "\x7f", "\"\x7f\""},
      {"non-ASCII passes as UTF-8", "\xD0\x9E\xD1\x82 \xF0\x9F\x98\x80", "\"\xD0\x9E\xD1\x82 \xF0\x9F\x98\x80\""},
      {"a C1 control passes as UTF-8", "\xC2\x9B", "\"\xC2\x9B\""},
  };
  for (const auto& c : cases) EXPECT_EQ(JsonString(c.text), c.json) << c.label;
}

TEST(EntryFormatTest, EscapeControlCharactersLeavesOnlyPrintableText) {
  const struct {
    const char* label;
    std::string text;
    const char* shown;
  } cases[] = {
      {"plain text and its separators", "\\Docs\\a b.txt", "\\Docs\\a b.txt"},
      {"NUL", std::string("a\0b", 3), "a<00>b"},
      {"C0 controls", "\x01\t\n\x1b\x1f", "<01><09><0A><1B><1F>"},
      {"DEL", "a\x7f", "a<7F>"},
      {"U+0080 and U+009F", "\xC2\x80x\xC2\x9F", "<80>x<9F>"},
      {"U+00A0 and above stay", "\xC2\xA0\xD0\x9E\xE2\x82\xAC\xF0\x9F\x98\x80", "\xC2\xA0\xD0\x9E\xE2\x82\xAC\xF0\x9F\x98\x80"},
      {"stray bytes 0x80 to 0x9F", "a\x80\x9f", "a<80><9F>"},
      {"stray bytes from 0xA0 stay", "a\xA0\xFF", "a\xA0\xFF"},
      {"a cut-short sequence", "x\xE2\x82", "x\xE2<82>"},
      {"an overlong two-byte NUL", "\xC0\x80", "\xC0<80>"},
      {"an overlong three-byte form", "\xE0\x80\x80", "\xE0<80><80>"},
      {"a lead byte without its continuation", "\xC2" "A", "\xC2" "A"},
      {"the escape form itself passes", "<1B>", "<1B>"},
  };
  for (const auto& c : cases) EXPECT_EQ(EscapeControlCharacters(c.text), c.shown) << c.label;
}

TEST(EntryFormatTest, JsonObjectHasEveryFieldInOrder) {
  TreeNode file(11, "\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82 \"\xD0\xBC\xD0\xB0\xD0\xB9\".doc", 0, 1);
  file.size = 4096;
  file.damageLevel = 0.25f;
  file.modifiedTime = kMay2024;
  EXPECT_EQ(FormatEntryJson(file, "\\Docs\\\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82 \"\xD0\xBC\xD0\xB0\xD0\xB9\".doc"),
            "{\"key\":11,\"path\":\"\\\\Docs\\\\\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82 \\\"\xD0\xBC\xD0\xB0\xD0\xB9\\\".doc\",\"name\":\"\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82 \\\"\xD0\xBC\xD0\xB0\xD0\xB9\\\".doc\","
            "\"is_dir\":false,\"deleted\":true,\"condition\":\"Average\",\"damage\":0.25,\"size\":4096,"
            "\"modified\":\"2024-05-06T10:00:00Z\",\"created\":null,\"original_path\":null}");

  TreeNode binFile(12, "report.txt", 0, 0);
  binFile.creationTime = kEndOf1999;
  binFile.SetOriginalPath("C:\\Documents and Settings\\anna\\report.txt");
  EXPECT_EQ(FormatEntryJson(binFile, "\\RECYCLER\\Dc1.txt"),
            "{\"key\":12,\"path\":\"\\\\RECYCLER\\\\Dc1.txt\",\"name\":\"report.txt\",\"is_dir\":false,"
            "\"deleted\":false,\"condition\":\"RecBin\",\"damage\":0,\"size\":0,\"modified\":null,"
            "\"created\":\"1999-12-31T23:59:59Z\","
            "\"original_path\":\"C:\\\\Documents and Settings\\\\anna\\\\report.txt\"}");

  TreeNode folder(5, "Docs", kAttributeDirectory, 1);
  folder.damageLevel = 1.0f;
  EXPECT_EQ(FormatEntryJson(folder, "\\Docs"),
            "{\"key\":5,\"path\":\"\\\\Docs\",\"name\":\"Docs\",\"is_dir\":true,\"deleted\":true,"
            "\"condition\":\"Poor\",\"damage\":1,\"size\":0,\"modified\":null,\"created\":null,"
            "\"original_path\":null}");
}

}  // namespace
}  // namespace tv
