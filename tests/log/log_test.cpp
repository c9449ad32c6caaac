#include "log/log.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/files.h"
#include "platform/folders.h"
#include "support/temp_folder.h"

namespace tv {
namespace {

namespace fs = std::filesystem;

// Each test writes into a folder of its own under the system's temporary
// folder, removed afterwards.
class LogFileTest : public ::testing::Test {
 protected:
  std::string PathOf(const std::string& name) const { return folder_.File(name); }

  // Gives `log` a clock that reads now_, so clock lines are deterministic.
  void UseTestClock(TvLog& log) {
    log.SetClockForTesting([this] { return now_; });
  }
  void SetTime(int hour, int minute, int second) {
    now_.hour = hour;
    now_.minute = minute;
    now_.second = second;
  }

  static std::string ReadAll(const std::string& path) {
    std::ifstream in(fs::path(path), std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
  }
  static void WriteAll(const std::string& path, const std::string& content) {
    std::ofstream out(fs::path(path), std::ios::binary);
    out << content;
  }

  testing::TempFolder folder_;
  platform::CalendarTime now_{2024, 5, 6, 10, 0, 0, 0};
};

struct TimedLine {
  int hour, minute, second;
  const char* text;
};

TEST_F(LogFileTest, ClockLineStandsBeforeTheFirstLineOfEachSecond) {
  const struct {
    const char* name;
    std::vector<TimedLine> lines;
    std::string expected;
  } cases[] = {
      {"first line gets a clock line", {{10, 0, 0, "One"}}, "[10:00:00]\nOne\n"},
      {"first line at midnight", {{0, 0, 0, "One"}}, "[00:00:00]\nOne\n"},
      {"two lines in one second", {{10, 0, 0, "One"}, {10, 0, 0, "Two"}}, "[10:00:00]\nOne\nTwo\n"},
      {"a new second",
       {{10, 0, 0, "One"}, {10, 0, 1, "Two"}, {10, 0, 1, "Three"}},
       "[10:00:00]\nOne\n[10:00:01]\nTwo\nThree\n"},
      {"the same second of another minute and hour",
       {{10, 0, 5, "One"}, {10, 1, 5, "Two"}, {11, 1, 5, "Three"}},
       "[10:00:05]\nOne\n[10:01:05]\nTwo\n[11:01:05]\nThree\n"},
      {"going back to an earlier second",
       {{10, 0, 1, "One"}, {10, 0, 0, "Two"}},
       "[10:00:01]\nOne\n[10:00:00]\nTwo\n"},
  };
  int index = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = PathOf("clock" + std::to_string(index++) + ".log");
    {
      TvLog log;
      UseTestClock(log);
      SetTime(c.lines.front().hour, c.lines.front().minute, c.lines.front().second);
      log.Open(path.c_str(), true);
      for (const auto& line : c.lines) {
        SetTime(line.hour, line.minute, line.second);
        log.Message(line.text);
      }
    }
    EXPECT_EQ(ReadAll(path), c.expected);
  }
}

std::string Spaces(std::size_t count) { return std::string(count, ' '); }

TEST_F(LogFileTest, CallFormsWriteTheirLines) {
  const unsigned char bytes[20] = {'V', 'a',  'n', 't',  'r',  'e', 'l', 0x0A, 0xE9, 0x00,
                                   'A', 0x7F, ' ', 0x1F, 0xFF, 'z', 'A', 'B',  0x0A, 0xE9};
  const std::string longText(20000, 'x');
  // The character column shows 0x0A (and every byte below 0x20) as "." and
  // 0xE9 as itself; the second line's missing bytes leave blank groups.
  const std::string dumpOf20 =
      std::string("00000000:  56 61 6E 74 72 65 6C 0A E9 00 41 7F 20 1F FF 7A  | ") +
      "Vantrel.\xE9" + ".A\x7F .\xFF" + "z\n" +
      "00000010:  41 42 0A E9" + Spaces(38) + "| AB.\xE9" + Spaces(12) + "\n";

  const struct {
    const char* name;
    std::function<void(TvLog&)> act;
    std::string expected;  // after the clock line
  } cases[] = {
      {"plain message keeps percent signs", [](TvLog& log) { log.Message("Scanned 100% of D:"); },
       "Scanned 100% of D:\n"},
      {"message with value", [](TvLog& log) { log.Message("Drive", "D:"); }, "Drive [D:]\n"},
      {"message with null value",
       [](TvLog& log) { log.Message("Path", static_cast<const char*>(nullptr)); }, "Path [null]\n"},
      {"message with number", [](TvLog& log) { log.Message("Count", -7); }, "Count [-7]\n"},
      {"null text", [](TvLog& log) { log.Message(nullptr); }, "null\n"},
      {"error with number", [](TvLog& log) { log.Error("Open", 5); }, "[ERROR]: Open [5]\n"},
      {"error text gives two lines", [](TvLog& log) { log.Error("Unable to open disk"); },
       "[ERROR]: Unable to open disk\nUnable to open disk\n"},
      {"error with value", [](TvLog& log) { log.Error("Read", "x.bin"); },
       "[ERROR]: Read [x.bin]\n"},
      {"error with null value",
       [](TvLog& log) { log.Error("Path", static_cast<const char*>(nullptr)); },
       "[ERROR]: Path [null]\n"},
      {"format", [](TvLog& log) { log.Format("%s holds %u sectors of %d", "D:", 2048u, 512); },
       "D: holds 2048 sectors of 512\n"},
      {"format cut to the buffer", [&](TvLog& log) { log.Format("%s", longText.c_str()); },
       std::string(TvLog::kFormatBufferSize - 1, 'x') + "\n"},
      {"dump of 0 bytes", [&](TvLog& log) { log.DumpBlock(bytes, 0); }, "\n"},
      {"dump of 20 bytes", [&](TvLog& log) { log.DumpBlock(bytes, sizeof bytes); }, dumpOf20},
      {"dump of a null block", [](TvLog& log) { log.DumpBlock(nullptr, 8); },
       "The binary data here seems to be an invalid memory block\n"
       "There is no way to show it, the pointer was 0x00000000\n"},
  };
  int index = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = PathOf("form" + std::to_string(index++) + ".log");
    {
      TvLog log;
      UseTestClock(log);
      log.Open(path.c_str(), true);
      c.act(log);
    }
    EXPECT_EQ(ReadAll(path), "[10:00:00]\n" + c.expected);
  }
}

TEST_F(LogFileTest, OpenAppendsOrTruncates) {
  const struct {
    const char* name;
    bool fileExists;
    bool truncate;
    std::string expected;
  } cases[] = {
      {"append keeps the old content", true, false, "old line\n[10:00:00]\nnew\n"},
      {"truncate empties the file", true, true, "[10:00:00]\nnew\n"},
      {"append creates a missing file", false, false, "[10:00:00]\nnew\n"},
  };
  int index = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = PathOf("open" + std::to_string(index++) + ".log");
    if (c.fileExists) WriteAll(path, "old line\n");
    {
      TvLog log;
      UseTestClock(log);
      EXPECT_TRUE(log.Open(path.c_str(), c.truncate));
      log.Message("new");
    }
    EXPECT_EQ(ReadAll(path), c.expected);
  }
}

TEST_F(LogFileTest, OpenOnASecondPathClosesTheFirst) {
  const std::string first = PathOf("first.log");
  const std::string second = PathOf("second.log");
  TvLog log;
  UseTestClock(log);
  log.Open(first.c_str(), true);
  log.Message("one");
  log.Open(second.c_str(), true);
  log.Message("two");

  // Deleting fails on Windows while the file is still open.
  EXPECT_EQ(ReadAll(first), "[10:00:00]\none\n");
  EXPECT_TRUE(platform::DeleteFile(first));
  // Every file starts with a clock line, even within the same second.
  EXPECT_EQ(ReadAll(second), "[10:00:00]\ntwo\n");
}

TEST_F(LogFileTest, LinesWithoutAnOpenFileAreDropped) {
  const std::string path = PathOf("late.log");
  TvLog log;
  UseTestClock(log);
  log.Message("before open");
  log.Enable();
  log.Error("enabled but no file", 1);
  EXPECT_TRUE(fs::is_empty(folder_.Path()));

  log.Open(path.c_str(), true);
  log.Message("kept");
  log.Close();
  log.Message("after close");
  log.DumpBlock("abc", 3);
  EXPECT_EQ(ReadAll(path), "[10:00:00]\nkept\n");
}

TEST_F(LogFileTest, FailedOpenRaisesNothingAndCreatesNoFile) {
  const fs::path missingFolder = folder_.Path() / "missing";
  const std::string path = (missingFolder / "log.txt").string();
  TvLog log;
  EXPECT_TRUE(log.Open(path.c_str(), true));
  EXPECT_TRUE(log.Open(nullptr, false));
  log.Message("dropped");
  log.Format("dropped %d", 1);
  log.DumpBlock("abc", 3);
  log.WriteMachineInfo();
  EXPECT_FALSE(fs::exists(missingFolder));
  EXPECT_TRUE(fs::is_empty(folder_.Path()));
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  EXPECT_EQ(start, text.size()) << "the last line has no line end";
  return lines;
}

TEST_F(LogFileTest, StartAppendsTheMachineInfoBlock) {
  const std::string path = PathOf("start.log");
  WriteAll(path, "earlier session\n");
  {
    TvLog log;
    UseTestClock(log);
    log.Start(path.c_str());
  }
  const std::string rule = "====================================================";
  std::vector<std::string> expected = {
      "earlier session",
      "[10:00:00]",
      rule,
      "============== LOGGER MACHINE INFO =================",
      rule,
      "__DATE__",
      "__TIME__",
      "Logging output for [" + platform::ExecutablePath() + "]",
      "GetCurrentDirectory [" + fs::current_path().string() + "]",
  };
  // These two folders exist on Windows only; the system gives them without a
  // trailing separator.
  if (auto folder = platform::SystemDirectory()) {
    expected.push_back("GetSystemDirectory [" + folder->substr(0, folder->size() - 1) + "]");
  }
  if (auto folder = platform::WindowsDirectory()) {
    expected.push_back("GetWindowsDirectory [" + folder->substr(0, folder->size() - 1) + "]");
  }
  expected.push_back("GetTempPath [" + platform::TempFolder() + "]");
  expected.push_back("GetComputerName [" + platform::ComputerName() + "]");
  expected.push_back(rule);

  std::vector<std::string> lines = SplitLines(ReadAll(path));
  ASSERT_EQ(lines.size(), expected.size());
  // The build date and time are the compiler's, in its fixed forms.
  EXPECT_TRUE(
      std::regex_match(lines[5], std::regex(R"(__DATE__ \[[A-Z][a-z]{2} [ 1-3][0-9] [0-9]{4}\])")))
      << lines[5];
  EXPECT_TRUE(
      std::regex_match(lines[6], std::regex(R"(__TIME__ \[[0-2][0-9]:[0-5][0-9]:[0-5][0-9]\])")))
      << lines[6];
  lines[5] = "__DATE__";
  lines[6] = "__TIME__";
  EXPECT_EQ(lines, expected);
}

TEST_F(LogFileTest, ThreadsWriteOnlyWholeLines) {
  constexpr int kLinesPerThread = 3000;
  const std::string path = PathOf("threads.log");
  {
    TvLog log;  // the real clock, so that clock lines come and go meanwhile
    log.Open(path.c_str(), true);
    std::thread plain([&] {
      for (int i = 0; i < kLinesPerThread; ++i) {
        log.Write(("plain line " + std::to_string(i)).c_str());
      }
    });
    std::thread formatted([&] {
      for (int i = 0; i < kLinesPerThread; ++i) log.Format("formatted line %d", i);
    });
    plain.join();
    formatted.join();
  }

  int nextPlain = 0, nextFormatted = 0;
  const std::regex clockLine(R"(\[[0-2][0-9]:[0-5][0-9]:[0-5][0-9]\])");
  for (const std::string& line : SplitLines(ReadAll(path))) {
    if (line == "plain line " + std::to_string(nextPlain)) {
      ++nextPlain;
    } else if (line == "formatted line " + std::to_string(nextFormatted)) {
      ++nextFormatted;
    } else {
      ASSERT_TRUE(std::regex_match(line, clockLine)) << "mixed line: " << line;
    }
  }
  EXPECT_EQ(nextPlain, kLinesPerThread);
  EXPECT_EQ(nextFormatted, kLinesPerThread);
}

}  // namespace
}  // namespace tv
