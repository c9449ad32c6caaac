#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <regex>

#include "app/column_text.h"
#include "platform/times.h"

namespace tv {
namespace {

TEST(ColumnText, SizeInKilobytesWithSmallFilesCountedAsOne) {
  const std::pair<std::uint64_t, const char*> cases[] = {
      {0, "0 KB"}, {1, "1 KB"}, {1023, "1 KB"}, {1024, "1 KB"}, {1025, "1 KB"}, {2048, "2 KB"},
      {5ull * 1024 * 1024 * 1024, "5242880 KB"},
  };
  for (const auto& [size, text] : cases) EXPECT_EQ(SizeText(size), text) << size;
}

TEST(ColumnText, StatusByDamageAndRecycleBin) {
  const std::pair<float, const char*> cases[] = {{0.0f, "Good"}, {0.5f, "Average"}, {0.01f, "Average"},
                                                 {1.0f, "Poor"}};
  for (const auto& [damage, text] : cases) {
    TreeNode node(5, "a.txt", 0, 1);
    node.damageLevel = damage;
    EXPECT_EQ(ColumnText(node, ViewColumn::Status), text) << damage;
  }
  TreeNode bin(5, "Dc1.txt", 0, 0);
  bin.SetOriginalPath("C:\\Docs\\old.txt");
  EXPECT_EQ(ColumnText(bin, ViewColumn::Status), "RecBin");
}

TEST(ColumnText, DatesInLocalTimeOrUnknown) {
#ifndef _WIN32
  setenv("TZ", "UTC", 1);
  tzset();
  platform::CalendarTime time;
  time.year = 2021;
  time.month = 6;
  time.day = 5;
  time.hour = 7;
  time.minute = 4;
  const FileTime when = platform::CalendarToFileTime(time);
  EXPECT_EQ(DateText(when, true), "05.06.2021  7:04");
#endif
  EXPECT_EQ(DateText(0, true), "Unknown");
  // A zero creation time is shown as a date, as the window does.
  EXPECT_TRUE(std::regex_match(DateText(0, false), std::regex(R"(\d\d\.\d\d\.\d{4} [ \d]\d:\d\d)")));
}

TEST(ColumnText, TypeNameFallsBackToTheExtension) {
  TreeNode withExtension(5, "photo.JPEG", 0, 1);
  TreeNode without(6, "README", 0, 1);
  EXPECT_EQ(TypeText(withExtension, ""), "File \"JPEG\"");
  EXPECT_EQ(TypeText(without, ""), "File");
  EXPECT_EQ(TypeText(without, "Text Document"), "Text Document");
}

TEST(ColumnText, RecycleBinEntriesShowTheirNamesFromBeforeTheBin) {
  TreeNode bin(5, "Dc12.doc", 0, 0);
  bin.SetFolderPath("\\RECYCLER\\S-1-5\\");
  bin.SetOriginalPath("C:\\Work\\Plans\\budget.doc");
  EXPECT_EQ(ColumnText(bin, ViewColumn::Name), "budget.doc");
  EXPECT_EQ(ColumnText(bin, ViewColumn::Folder), "\\Work\\Plans\\");
  EXPECT_EQ(ColumnText(bin, ViewColumn::Type), "File \"doc\"");

  TreeNode deleted(6, "notes.txt", 0, 1);
  deleted.SetFolderPath("\\Docs\\");
  EXPECT_EQ(ColumnText(deleted, ViewColumn::Name), "notes.txt");
  EXPECT_EQ(ColumnText(deleted, ViewColumn::Folder), "\\Docs\\");
}

}  // namespace
}  // namespace tv
