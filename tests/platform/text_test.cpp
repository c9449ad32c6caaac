#include <gtest/gtest.h>

#include <string>

#include "platform/text.h"

namespace tv::platform {
namespace {

TEST(Text, Utf8AndUtf16RoundTrip) {
  const struct {
    const char* name;
    std::string narrow;
    WString wide;
  } cases[] = {
      {"empty", "", u""},
      {"ascii", "Report 2024.doc", u"Report 2024.doc"},
      {"latin-1", "caf\xC3\xA9", u"caf\u00E9"},
      {"cyrillic", "\xD1\x84\xD0\xB0\xD0\xB9\xD0\xBB", u"\u0444\u0430\u0439\u043B"},
      {"three-byte", "\xE6\x96\x87\xE4\xBB\xB6", u"\u6587\u4EF6"},
      {"surrogate pair", "a\xF0\x9F\x98\x80z", u"a\xD83D\xDE00z"},
      {"highest code point", "\xF4\x8F\xBF\xBF", u"\xDBFF\xDFFF"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToWide(c.narrow), c.wide) << c.name;
    EXPECT_EQ(ToNarrow(c.wide), c.narrow) << c.name;
  }
}

TEST(Text, MalformedInputBecomesReplacementCharacters) {
  const struct {
    const char* name;
    std::string narrow;
    WString wide;
  } utf8Cases[] = {
      {"invalid byte", "a\xFF" "b", u"a\uFFFDb"},
      {"stray continuation byte", "a\x80" "b", u"a\uFFFDb"},
      {"sequence cut by ascii", "a\xC3" "b", u"a\uFFFDb"},
      {"sequence cut at the end", "ab\xE6\x96", u"ab\uFFFD"},
  };
  for (const auto& c : utf8Cases) EXPECT_EQ(ToWide(c.narrow), c.wide) << c.name;

  const struct {
    const char* name;
    WString wide;
    std::string narrow;
  } utf16Cases[] = {
      {"lone high surrogate", u"a\xD83D" u"b", "a\xEF\xBF\xBD" "b"},
      {"lone low surrogate", u"a\xDE00", "a\xEF\xBF\xBD"},
      {"swapped pair", u"\xDE00\xD83D", "\xEF\xBF\xBD\xEF\xBF\xBD"},
  };
  for (const auto& c : utf16Cases) EXPECT_EQ(ToNarrow(c.wide), c.narrow) << c.name;
}

TEST(Text, PathsKeepEveryByte) {
  const struct {
    const char* name;
    std::string narrow;
    WString wide;  // as ToWidePath gives it on POSIX
  } cases[] = {
      {"valid UTF-8 as ToWide", "caf\xC3\xA9/a\xF0\x9F\x98\x80", u"caf\u00E9/a\xD83D\xDE00"},
      {"invalid byte", "\xFF.img", u"\xDCFF.img"},
      {"sequence cut by ascii", "a\xC3" "b", u"a\xDCC3" u"b"},
      {"sequence cut at the end", "ab\xE6\x96", u"ab\xDCE6\xDC96"},
      {"lead byte before a valid sequence", "\xE6\xC3\xA9", u"\xDCE6\u00E9"},
      {"encoded surrogate", "\xED\xA0\x80", u"\xDCED\xDCA0\xDC80"},
      {"overlong slash", "\xC0\xAF", u"\xDCC0\xDCAF"},
  };
  for (const auto& c : cases) {
#ifdef _WIN32
    // Windows paths are UTF-16: the path conversions are the plain ones.
    EXPECT_EQ(ToWidePath(c.narrow), ToWide(c.narrow)) << c.name;
    EXPECT_EQ(ToNarrowPath(c.wide), ToNarrow(c.wide)) << c.name;
#else
    EXPECT_EQ(ToWidePath(c.narrow), c.wide) << c.name;
    EXPECT_EQ(ToNarrowPath(c.wide), c.narrow) << c.name;
#endif
  }
#ifndef _WIN32
  std::string everyByte;
  for (int b = 1; b < 256; ++b) everyByte += static_cast<char>(b);
  everyByte += everyByte;
  EXPECT_EQ(ToNarrowPath(ToWidePath(everyByte)), everyByte);
  // Log lines stay valid UTF-8: the plain conversion does not pass escapes on.
  EXPECT_EQ(ToNarrow(ToWidePath("\xFF")), "\xEF\xBF\xBD");
#endif
}

TEST(Text, UpperCaseFollowsSimpleMappings) {
  const struct {
    const char* name;
    WString text, upper;
  } cases[] = {
      {"ascii", u"readme.txt 1~2", u"README.TXT 1~2"},
      {"latin-1", u"\u00E9t\u00E9 \u00FF", u"\u00C9T\u00C9 \u0178"},
      {"division sign stays", u"\u00F7\u00D7", u"\u00F7\u00D7"},
      {"latin extended", u"\u0142\u0151\u017E\u0107", u"\u0141\u0150\u017D\u0106"},
      {"greek", u"\u03B1\u03B2\u03C2\u03AC\u03CE", u"\u0391\u0392\u03A3\u0386\u038F"},
      {"cyrillic", u"\u043F\u0440\u0438\u0432\u0435\u0442 \u0451\u0491",
       u"\u041F\u0420\u0418\u0412\u0415\u0422 \u0401\u0490"},
      {"already upper and unmapped", u"ABC\u0416\u6587", u"ABC\u0416\u6587"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ToUpper(c.text), c.upper) << c.name;
    EXPECT_EQ(ToUpperNarrow(ToNarrow(c.text)), ToNarrow(c.upper)) << c.name;
  }
}

}  // namespace
}  // namespace tv::platform
