#include "app/cli/cli_args.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace tv::cli {
namespace {

// What a command line parses to; a case names only what differs from the defaults.
struct Parsed {
  std::string command{};
  std::vector<std::string> positional{};
  std::map<std::string, std::string> options{};
  std::string logPath{};
  bool quiet = false;
  bool help = false;
  bool version = false;
};

TEST(CliArgsTest, ParsesCommandWordsAndOptions) {
  const struct {
    const char* label;
    std::vector<std::string> words;
    Parsed want;
  } cases[] = {
      {"nothing at all", {}, {}},
      {"a command and its volume", {"probe", "d.img"}, {.command = "probe", .positional = {"d.img"}}},
      {"flags anywhere",
       {"--all", "scan", "d.img", "--json"},
       {.command = "scan", .positional = {"d.img"}, .options = {{"--all", ""}, {"--json", ""}}}},
      {"a value as the next word",
       {"recover", "d.img", "--to", "out", "\\a.txt", "#5"},
       {.command = "recover", .positional = {"d.img", "\\a.txt", "#5"}, .options = {{"--to", "out"}}}},
      {"a value after =",
       {"recover", "d.img", "--to=out dir"},
       {.command = "recover", .positional = {"d.img"}, .options = {{"--to", "out dir"}}}},
      {"an empty value after =",
       {"list", "d.img", "--files="},
       {.command = "list", .positional = {"d.img"}, .options = {{"--files", ""}}}},
      {"the next word is a value even when it looks like an option",
       {"list", "d.img", "--folders", "--json"},
       {.command = "list", .positional = {"d.img"}, .options = {{"--folders", "--json"}}}},
      {"a value may itself hold =",
       {"dump-mft", "d.img", "--out=a=b"},
       {.command = "dump-mft", .positional = {"d.img"}, .options = {{"--out", "a=b"}}}},
      {"the last of a repeated option wins",
       {"list", "d.img", "--sort", "name", "--sort", "size:desc"},
       {.command = "list", .positional = {"d.img"}, .options = {{"--sort", "size:desc"}}}},
      {"every value option",
       {"x", "--files", "f", "--folders", "g", "--sort", "s", "--overwrite", "no", "--out", "o", "--to", "t"},
       {.command = "x",
        .options = {{"--files", "f"}, {"--folders", "g"}, {"--sort", "s"}, {"--overwrite", "no"}, {"--out", "o"},
                    {"--to", "t"}}}},
      {"a lone - is a word", {"cat", "d.img", "-"}, {.command = "cat", .positional = {"d.img", "-"}}},
      {"the command is any first word", {"frobnicate", "a", "b"}, {.command = "frobnicate", .positional = {"a", "b"}}},
      {"--log and its file",
       {"--log", "run.log", "probe", "d.img"},
       {.command = "probe", .positional = {"d.img"}, .logPath = "run.log"}},
      {"--log=",
       {"probe", "d.img", "--log=C:\\x.log"},
       {.command = "probe", .positional = {"d.img"}, .logPath = "C:\\x.log"}},
      {"the last --log wins", {"probe", "--log", "a", "--log", "b"}, {.command = "probe", .logPath = "b"}},
      {"-q", {"scan", "-q", "d.img"}, {.command = "scan", .positional = {"d.img"}, .quiet = true}},
      {"--quiet", {"scan", "d.img", "--quiet"}, {.command = "scan", .positional = {"d.img"}, .quiet = true}},
      {"-h alone", {"-h"}, {.help = true}},
      {"--help with a command", {"recover", "--help"}, {.command = "recover", .help = true}},
      {"--version", {"--version"}, {.version = true}},
  };
  for (const auto& c : cases) {
    std::string error = "untouched";
    const auto args = ParseCommandLine(c.words, &error);
    ASSERT_TRUE(args.has_value()) << c.label << ": " << error;
    EXPECT_EQ(args->command, c.want.command) << c.label;
    EXPECT_EQ(args->positional, c.want.positional) << c.label;
    EXPECT_EQ(args->options, c.want.options) << c.label;
    EXPECT_EQ(args->logPath, c.want.logPath) << c.label;
    EXPECT_EQ(args->quiet, c.want.quiet) << c.label;
    EXPECT_EQ(args->help, c.want.help) << c.label;
    EXPECT_EQ(args->version, c.want.version) << c.label;
    EXPECT_EQ(error, "untouched") << c.label;
  }
}

TEST(CliArgsTest, RefusesBadUsageWithOneLine) {
  const struct {
    const char* label;
    std::vector<std::string> words;
    const char* error;
  } cases[] = {
      {"an unknown long option", {"scan", "d.img", "--bogus"}, "unknown option --bogus"},
      {"an unknown long option with a value", {"scan", "--bogus=1", "d.img"}, "unknown option --bogus"},
      {"an unknown short option", {"scan", "d.img", "-x"}, "unknown option -x"},
      {"a short form of a long option", {"scan", "-all"}, "unknown option -all"},
      {"a near miss of --log", {"probe", "--logfile", "a"}, "unknown option --logfile"},
      // There is no end-of-options marker: every ENTRY starts with '\', '/'
      // or '#' and a volume can be named ./-x.
      {"--", {"cat", "d.img", "--", "-x"}, "unknown option --"},
      {"--log at the end", {"probe", "d.img", "--log"}, "option --log needs a file name"},
      {"a value option at the end", {"recover", "d.img", "--to"}, "option --to needs a value"},
      {"a flag given a value", {"scan", "d.img", "--all=yes"}, "option --all takes no value"},
      {"a flag given an empty value", {"scan", "d.img", "--json="}, "option --json takes no value"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(ParseCommandLine(c.words, &error).has_value()) << c.label;
    EXPECT_EQ(error, c.error) << c.label;
  }
}

TEST(CliArgsTest, HasAndValueTellAFlagFromAnAbsentOption) {
  std::string error;
  const auto args = ParseCommandLine({"list", "d.img", "--json", "--files", ""}, &error);
  ASSERT_TRUE(args.has_value()) << error;
  EXPECT_TRUE(args->Has("--json"));
  EXPECT_EQ(args->Value("--json"), std::optional<std::string>(""));
  EXPECT_TRUE(args->Has("--files"));
  EXPECT_EQ(args->Value("--files"), std::optional<std::string>(""));
  EXPECT_FALSE(args->Has("--sort"));
  EXPECT_EQ(args->Value("--sort"), std::nullopt);
  EXPECT_FALSE(args->Has("json")) << "options keep their dashes";
}

}  // namespace
}  // namespace tv::cli
