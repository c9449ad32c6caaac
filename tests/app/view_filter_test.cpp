#include <gtest/gtest.h>

#include <string>

#include "app/view_filter.h"

namespace tv {
namespace {

TEST(ViewFilter, FiltersAreCompletedAsTyped) {
  struct Case {
    const char* typed;
    const char* fileFilter;
    const char* folderFilter;
  };
  const Case cases[] = {
      {"", "*", "*"},           {"rep", "rep*", "rep*"},     {"*.doc", "*.doc*", "*.doc*"},
      {"*.*", "*", "*.*"},      {"readme.", "readme.", "readme.*"}, {"*.", "*.", "*.*"},
      {"a", "a*", "a*"},        {"x*", "x*", "x*"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(NormaliseFileFilter(c.typed), c.fileFilter) << c.typed;
    EXPECT_EQ(NormaliseFolderFilter(c.typed), c.folderFilter) << c.typed;
  }
}

TEST(ViewFilter, WildcardMatchesAsTheFolderViewDoes) {
  struct Case {
    const char* name;
    const char* pattern;
    bool matches;
  };
  const Case cases[] = {
      {"anything.at.all", "*", true},
      {"Report.doc", "rep*", true},
      {"REPLY.TXT", "rep*", true},
      {"prep.txt", "rep*", false},
      {"report.docx", "*.doc*", true},
      {"report.doc", "*.doc*", true},
      {"report.txt", "*.doc*", false},
      {"readme", "readme.", false},  // no final star: matches nothing
      {"readme.txt", "readme.", false},
      {"readme", "*.", true},  // names without a dot
      {"readme.txt", "*.", false},
      {"Archive", "a*", true},
      {"banana", "a*", false},
      {"data1.bin", "data?.bin*", true},
      {"data12.bin", "data?.bin*", false},
      {"axxbyyb", "a*b*", true},
      {"re", "rep*", false},
      {"", "x*", false},
  };
  for (const Case& c : cases) EXPECT_EQ(WildcardMatch(c.name, c.pattern), c.matches) << c.name << " ~ " << c.pattern;
}

}  // namespace
}  // namespace tv
